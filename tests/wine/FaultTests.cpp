// Faults at the program's edges: files it cannot write, hostile files and listings, an encoder that
// goes missing or dies, rapid switching, two copies in one folder. Whatever happens the program keeps
// answering, says what happened, keeps the user's settings and leaves no encoder running.
#include <gtest/gtest.h>

#include <functional>

#include "AppUnderTest.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

const char kGoodAddress[] = "rtmp://1000.push.quorvel.com/app/stream";
const char kSavedConfig[] = "1\r\nrtmp://1000.push.quorvel.com/app/saved\r\n0\r\n4\r\n";
const char kOnAir[] = "直播中。。。";
const char kOffAir[] = "关闭直播。。。";
const char kRelaunch[] = "直播进程被关闭，系统自动重启进程！";
const char kTooLong[] = "音频设备名称或服务器地址过长，无法启动直播！";
const char kStatusFile[] = "C:\\NetStatus.txt";

std::string Listing(const std::vector<std::string>& names, const std::string& before = "") {
  std::string text = before + "[dshow @ 0] DirectShow audio devices\r\n";
  for (const std::string& name : names)
    text += "[dshow @ 0]  \"" + name + "\"\r\n[dshow @ 0]     Alternative name \"@device_cm_{x}\"\r\n";
  return text + "dummy: Immediate exit requested\r\n";
}

AppUnderTest::Options Script(const std::string& streamScript = "", const std::string& config = "") {
  AppUnderTest::Options options;
  options.files["listing.txt"] = Listing({"Line In (USB Audio)", "Stereo Mix"});
  if (!config.empty()) options.files["config.db"] = config;
  options.encoderScript = "list_file=listing.txt\n" + streamScript;
  return options;
}

// The device box's list opens from the box's left edge: it must end on the screen, or its scroll bar is
// out of reach.
bool OpenedListFitsTheScreen(const AppUnderTest& app) {
  RECT box = {};
  GetWindowRect(app.Item(IDC_COMBO_DEVICE), &box);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromWindow(app.Main(), MONITOR_DEFAULTTONEAREST), &monitor);
  return box.left + SendMessageA(app.Item(IDC_COMBO_DEVICE), CB_GETDROPPEDWIDTH, 0, 0) <= monitor.rcWork.right;
}

// Closes the window; the program must end, and no encoder it started may outlive it.
void CloseAndExpectNoEncoderLeft(const AppUnderTest& app) {
  app.CloseWindow();
  EXPECT_TRUE(app.WaitForExit(20s)) << "the program ends";
  for (const EncoderCall& call : app.EncoderCalls())
    EXPECT_TRUE(WaitUntil([&] { return !ProcessRunning(call.pid); }, 3s)) << call.mode << " child " << call.pid;
}

// A literal's bytes, NULs included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// ---- Faults once found in the program

TEST(FaultsMended, WithoutTheEncoderTheTrayBoxLeavesConfigDbAlone) {
  AppUnderTest::Options options;
  options.withEncoder = false;
  options.files["config.db"] = kSavedConfig;
  AppUnderTest app(options);
  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  AppUnderTest::PressOk(box);
  HWND main = app.FindMainWindow();
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
  DWORD_PTR result = 0;
  SendMessageTimeoutA(GetDlgItem(main, IDC_CHECK_TRAY), BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result);
  EXPECT_EQ(SendMessageA(GetDlgItem(main, IDC_CHECK_TRAY), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")), kSavedConfig) << "settings never read are never written";
}

TEST(FaultsMended, AConfigDbThatCannotBeWrittenKeepsTheOldOneAndTheBroadcastStarts) {
  // A folder where the file or its new copy would go: the write fails even for an administrator.
  for (const char* folder : {"config.db", "config.db.new"}) {
    SCOPED_TRACE(folder);
    AppUnderTest::Options options = Script();
    if (std::string(folder) != "config.db") options.files["config.db"] = kSavedConfig;
    options.startNow = false;
    AppUnderTest app(options);
    ASSERT_TRUE(CreateDirectoryA(app.PathOf(folder).c_str(), nullptr));
    app.Start();
    const std::string before = ReadFileBytes(app.PathOf("config.db"));
    const bool wasFolder = IsFolder(app.PathOf("config.db"));
    app.GoLive(kGoodAddress);
    EXPECT_TRUE(app.WaitForStreamCalls(1)) << "the broadcast starts all the same";
    EXPECT_EQ(app.CountLog("设置未能保存到config.db，原来的设置保持不变！"), 1u);
    EXPECT_EQ(app.CountLog(kOnAir), 1u);
    EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")), before);
    EXPECT_EQ(IsFolder(app.PathOf("config.db")), wasFolder);
    CloseAndExpectNoEncoderLeft(app);
  }
}

TEST(FaultsMended, AStatusFileThatCannotBeOpenedIsLoggedAndTheBroadcastStarts) {
  DeleteFileA(kStatusFile);
  ASSERT_TRUE(CreateDirectoryA(kStatusFile, nullptr));
  struct Restore {
    ~Restore() { RemoveDirectoryA(kStatusFile); }
  } restore;
  AppUnderTest app(Script());
  app.GoLive(kGoodAddress);
  EXPECT_TRUE(app.WaitForLog("无法创建状态文件NetStatus.txt，编码器的输出不会被记录！"));
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  EXPECT_TRUE(ProcessRunning(app.StreamCalls()[0].pid));
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), "停止直播");
  CloseAndExpectNoEncoderLeft(app);
}

// ---- The fault matrix

TEST(Faults, HostileConfigDbHurtsNothingAndLosesNothing) {
  std::string random(1 << 20, '\0');
  unsigned state = 12345;
  for (char& c : random) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
  const std::string longAddress = "rtmp://1000.push.quorvel.com/app/" + std::string(100 * 1024, 's');
  const int kAny = -2;
  struct Case {
    const char* name;
    std::string bytes;
    int device;                  // selected once the list arrived
    std::string savedAfterTick;  // config.db after the tray box was ticked; empty: anything
    const char* goingLiveSays;
  } cases[] = {
      {"1 MiB of random bytes", random, kAny, "",
       "请重新设置服务器地址，必须以\"rtmp://\"开头，请参考示例！"},
      {"a 100 KB address", "1\r\n" + longAddress + "\r\n0\r\n2\r\n", 1,
       "1\r\r\n" + longAddress + "\r\r\n1\r\r\n2\r\r\n", kTooLong},
      // An address cannot hold a NUL: it ends there, in the box and in the file.
      {"NUL bytes", Bytes("1\0\0\r\nrtmp://1000.push.quorvel.com/app/st\0ream\r\n1\r\n2\r\n"), 1,
       "1\r\r\nrtmp://1000.push.quorvel.com/app/st\r\r\n0\r\r\n2\r\r\n", kOnAir},
      {"integers past 32 bits",
       "99999999999\r\nrtmp://1000.push.quorvel.com/app/stream\r\n-99999999999\r\n4294967297\r\n", 0,
       "0\r\r\nrtmp://1000.push.quorvel.com/app/stream\r\r\n1\r\r\n2147483647\r\r\n", kOnAir},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppUnderTest app(Script("", c.bytes));
    ASSERT_NE(app.Main(), nullptr);
    EXPECT_TRUE(Answers(app.Main()));
    EXPECT_EQ(app.DeviceCount(), 2);
    EXPECT_TRUE(c.device == kAny || app.ComboSelection(IDC_COMBO_DEVICE) == c.device);
    EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")), c.bytes) << "nothing is written at start";
    app.Click(IDC_CHECK_TRAY);
    EXPECT_TRUE(c.savedAfterTick.empty() || ReadFileBytes(app.PathOf("config.db")) == c.savedAfterTick);
    // Going live with what the box shows either starts or says why not; the settings stay as they were.
    app.Click(IDC_BTN_LIVE);
    EXPECT_EQ(app.CountLog(c.goingLiveSays), 1u);
    EXPECT_TRUE(c.savedAfterTick.empty() || ReadFileBytes(app.PathOf("config.db")) == c.savedAfterTick);
    CloseAndExpectNoEncoderLeft(app);
  }
}

TEST(Faults, HostileListingsAreReadOrReportedWithoutHarm) {
  std::vector<std::string> many;
  for (int i = 0; i < 10000; ++i) many.push_back("Input " + std::to_string(100000 + i));
  struct Case {
    const char* name;
    std::string listing;
    int devices;
    const char* logLine;  // null: none expected
    bool deviceFileIsFolder;
    const char* goingLiveSays;  // with the last device
  } cases[] = {
      {"a 1 MiB line before the devices", Listing({"A", "B"}, std::string(1 << 20, 'x') + "\r\n"), 2, nullptr, false,
       kOnAir},
      {"invalid UTF-8 and NUL bytes", Listing({"Bad \xff\xfe name", Bytes("Nul\0name"), "Good"}), 3, nullptr, false,
       kOnAir},
      {"a 64 KB device name", Listing({std::string(64 * 1024, 'n'), "Good"}), 2, nullptr, false, kTooLong},
      {"a device name wider than the screen", Listing({"Good", std::string(300, 'W')}), 2, nullptr, false, kOnAir},
      {"10 000 devices", Listing(many), 10000, nullptr, false, kOnAir},
      {"device.txt cannot be written", Listing({"A"}), 0, "创建设备列表文件失败！", true,
       "音频设备选择有误，请重新选择，或者检查声卡驱动程序！！！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppUnderTest::Options options = Script();
    options.files["listing.txt"] = c.listing;
    options.startNow = false;
    AppUnderTest app(options);
    ASSERT_TRUE(!c.deviceFileIsFolder || CreateDirectoryA(app.PathOf("device.txt").c_str(), nullptr));
    app.Start();
    ASSERT_NE(app.Main(), nullptr);
    EXPECT_TRUE(app.WaitForDeviceListing(20s));
    EXPECT_TRUE(Answers(app.Main()));
    EXPECT_EQ(app.DeviceCount(), c.devices);
    EXPECT_TRUE(!c.logLine || app.CountLog(c.logLine) == 1u);
    EXPECT_TRUE(OpenedListFitsTheScreen(app));
    app.SelectCombo(IDC_COMBO_DEVICE, c.devices - 1);
    app.GoLive(kGoodAddress);
    EXPECT_EQ(app.CountLog(c.goingLiveSays), 1u);
    CloseAndExpectNoEncoderLeft(app);
  }
}

// The list is read on the window's thread once the listing has ended: a line of 20 000 back-to-back tags
// must cost no more than any other line.
TEST(Faults, ALineOfManyTagsIsReadWithoutStalling) {
  std::string line;
  for (int i = 0; i < 20000; ++i) line += "[in#0 @ 0]";
  AppUnderTest::Options options = Script();
  options.files["listing.txt"] = line + " \"Tagged\" (audio)\r\n";
  options.waitForListing = false;
  AppUnderTest app(options);
  EXPECT_TRUE(app.WaitForDeviceListing(20s));
  EXPECT_TRUE(Answers(app.Main()));
  EXPECT_EQ(app.DeviceCount(), 1);
  CloseAndExpectNoEncoderLeft(app);
}

TEST(Faults, TroubleWhileLiveIsSurvivedAndSwitchingOffEndsIt) {
  const std::string encoder = "ffmpeg.exe";
  const auto deleteEncoder = [&](const AppUnderTest& app) {
    // Not while an encoder runs from it.
    ASSERT_TRUE(WaitUntil([&] { return DeleteFileA(app.PathOf(encoder).c_str()) != FALSE; }));
  };
  struct Case {
    const char* name;
    std::string script;
    std::function<void(const AppUnderTest&)> meanwhile;
    bool relaunches;
  } cases[] = {
      {"the encoder ends at every launch", "stream=exit\n", [](const AppUnderTest&) {}, true},
      {"the encoder is deleted", "stream=exit_after\nstream_after_ms=300\n", deleteEncoder, true},
      {"the encoder is replaced by one that ends at once", "stream=exit_after\nstream_after_ms=300\n",
       [&](const AppUnderTest& app) {
         deleteEncoder(app);
         ASSERT_TRUE(CopyFileA((BuildFolder() + "\\fake_ffmpeg.exe").c_str(), app.PathOf(encoder).c_str(), FALSE));
         WriteFileBytes(app.PathOf("fake-ffmpeg.ini"), "stream=exit\n");
       },
       true},
      {"the devices are refreshed", "", [](const AppUnderTest& app) { app.Click(IDC_BTN_REFRESH); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppUnderTest app(Script(c.script));
    app.GoLive(kGoodAddress);
    ASSERT_TRUE(app.WaitForStreamCalls(1));
    c.meanwhile(app);
    EXPECT_TRUE(!c.relaunches || WaitUntil([&] { return app.CountLog(kRelaunch) >= 1; }, 12s));
    EXPECT_TRUE(Answers(app.Main()));
    EXPECT_EQ(app.Text(IDC_BTN_LIVE), "停止直播");
    app.Click(IDC_BTN_LIVE);
    EXPECT_EQ(app.Text(IDC_BTN_LIVE), "开始直播");
    EXPECT_EQ(app.CountLog(kOffAir), 1u);
    CloseAndExpectNoEncoderLeft(app);
  }
}

TEST(Faults, AHundredQuickTogglesEndOffWithNoEncoderLeft) {
  AppUnderTest app(Script());
  app.SetText(IDC_EDIT_SERVER, kGoodAddress);
  for (int i = 0; i < 100; ++i) {
    app.Click(IDC_BTN_LIVE);
    app.Click(IDC_BTN_LIVE);
  }
  EXPECT_TRUE(Answers(app.Main()));
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), "开始直播");
  EXPECT_EQ(app.CountLog(kOnAir), 100u);
  EXPECT_EQ(app.CountLog(kOffAir), 100u);
  // An encoder ended before it wrote its record cannot be looked for, nor can it still run.
  for (const EncoderCall& call : app.StreamCalls()) EXPECT_FALSE(ProcessRunning(call.pid)) << call.pid;
  CloseAndExpectNoEncoderLeft(app);
}

TEST(Faults, TwoCopiesInOneFolderBothWorkAndLeaveNoEncoder) {
  AppUnderTest first(Script());
  AppUnderTest::Options options;
  options.folder = first.Folder();
  options.withEncoder = false;  // the folder has one
  options.startNow = false;
  AppUnderTest second(options);
  second.Start();
  ASSERT_NE(second.Main(), nullptr);
  EXPECT_EQ(second.DeviceCount(), 2);
  first.GoLive(kGoodAddress);
  second.GoLive("rtmp://127.0.0.1/live/second");
  ASSERT_TRUE(first.WaitForStreamCalls(2));
  for (const EncoderCall& call : first.StreamCalls()) EXPECT_TRUE(ProcessRunning(call.pid));
  for (const AppUnderTest* app : {&first, &second}) {
    EXPECT_TRUE(Answers(app->Main()));
    EXPECT_EQ(app->Text(IDC_BTN_LIVE), "停止直播");
  }
  second.CloseWindow();
  EXPECT_TRUE(second.WaitForExit());
  EXPECT_TRUE(first.IsRunning());
  CloseAndExpectNoEncoderLeft(first);
}
