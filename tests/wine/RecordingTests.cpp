// The recording beside the broadcast, at the exe's edge: the command line its encoder receives, the files
// it leaves in its folder, the log's lines and the status line. Its rules (names, retention, the space
// floor, the schedule) are proven natively.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "AppUnderTest.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "settings/RecordSettings.h"
#include "text/AnsiText.h"

using namespace pushtest;

namespace {

const char kRecordingEnabled[] = "[record]\r\nenabled=1\r\n";

std::vector<EncoderCall> RecordCalls(const AppUnderTest& app) {
  std::vector<EncoderCall> records;
  for (const EncoderCall& call : app.EncoderCalls())
    if (call.mode == "record") records.push_back(call);
  return records;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found = {};
  const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

// "YYYY-MM-DD_HH-MM-SS.aac"
bool IsRecordingName(const std::string& name) {
  const std::string shape = "dddd-dd-dd_dd-dd-dd.aac";
  if (name.size() != shape.size()) return false;
  for (std::size_t i = 0; i < shape.size(); ++i)
    if (shape[i] == 'd' ? (name[i] < '0' || name[i] > '9') : name[i] != shape[i]) return false;
  return true;
}

// A recording's name for a day this many days before today.
std::string RecordingDaysAgo(int days) {
  FILETIME now = {};
  SYSTEMTIME local = {};
  GetLocalTime(&local);
  SystemTimeToFileTime(&local, &now);
  ULARGE_INTEGER ticks = {};
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  ticks.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 60 * 60 * 10000000ULL;
  now.dwLowDateTime = ticks.LowPart;
  now.dwHighDateTime = ticks.HighPart;
  FileTimeToSystemTime(&now, &local);
  char name[32];
  std::snprintf(name, sizeof name, "%04d-%02d-%02d_08-00-00.aac", local.wYear, local.wMonth, local.wDay);
  return name;
}

}  // namespace

// Switching off asks the encoder to finish ('q'), and the finished segments get their names; a saved
// file's line goes to the day file alone.
TEST(Recording, GoingLiveRecordsTheDeviceAndSwitchingOffNamesTheFiles) {
  AppUnderTest::Options options = TwoDevices("record_segments=2\nrecord_segment_ms=1000\n");
  options.files["PushClient.ini"] = kRecordingEnabled;
  AppUnderTest app(options);
  app.SelectCombo(IDC_COMBO_DEVICE, 1);
  app.SelectCombo(IDC_COMBO_BITRATE, 4);
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(WaitUntil([&] { return !RecordCalls(app).empty(); }));
  const EncoderCall call = RecordCalls(app).at(0);
  const std::string folder = app.PathOf(kRecordFolderDefault);
  const std::string pattern = folder + "\\rec-" + std::to_string(app.ProcessId()) + "-1_%05d.aac";
  EXPECT_EQ(call.args, (std::vector<std::string>{"-f", "dshow", "-i", "audio=麦克风 (Realtek Audio)", "-c:a", "libfdk_aac",
                                                 "-b:a", "128k", "-f", "segment", "-segment_format", "adts",
                                                 "-segment_format_options", "flush_packets=1", "-segment_time",
                                                 "3600", "-segment_atclocktime", "1", "-reset_timestamps", "1",
                                                 pattern}));
  EXPECT_EQ(app.CountLog(FillIn(kLogRecordOn, {folder})), 1u);
  EXPECT_TRUE(WaitUntil([&] { return app.Text(IDC_STATUS).find(kStatusRecording) != std::string::npos; }, 15s))
      << app.Text(IDC_STATUS);
  ASSERT_TRUE(WaitUntil([&] { return FilesIn(folder).size() == 2; }));
  const HANDLE recorder = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, call.pid);
  ASSERT_NE(recorder, nullptr);

  app.Click(IDC_BTN_LIVE);
  EXPECT_EQ(WaitForSingleObject(recorder, 10000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(recorder, &exitCode);
  CloseHandle(recorder);
  EXPECT_EQ(exitCode, 0u) << "it finished on 'q', and was not ended";
  std::vector<std::string> files;
  EXPECT_TRUE(WaitUntil([&] {
    files = FilesIn(folder);
    return files.size() == 2 && IsRecordingName(files[0]) && IsRecordingName(files[1]);
  }, 20s)) << (files.empty() ? "" : files[0]);
  EXPECT_EQ(app.CountLog(kLogRecordOff), 1u);
  SYSTEMTIME today = {};
  GetLocalTime(&today);
  char dayFile[32];
  std::snprintf(dayFile, sizeof dayFile, "logs\\%04d-%02d-%02d.log", today.wYear, today.wMonth, today.wDay);
  const std::string written = ReadFileBytes(app.PathOf(dayFile));
  for (const std::string& file : files) {
    EXPECT_NE(written.find(file), std::string::npos) << file;
    for (const std::string& message : app.LogMessages()) EXPECT_EQ(message.find(file), std::string::npos) << message;
  }
}

TEST(Recording, AtTheStartOnlyOldRecordingsAreDeleted) {
  AppUnderTest::Options options = TwoDevices();
  options.files["PushClient.ini"] = kRecordingEnabled;
  options.startNow = false;
  AppUnderTest app(options);
  const std::string folder = app.PathOf(kRecordFolderDefault);
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string old = RecordingDaysAgo(100), recent = RecordingDaysAgo(1), foreign = "2000-01-01 news.aac";
  for (const std::string& name : {old, recent, foreign}) WriteFileBytes(folder + "\\" + name, "audio");
  app.Start();
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(app.WaitForLog(FillIn(kLogRecordExpired, {"1", std::to_string(kDefaultRecordKeepDays)})));
  EXPECT_FALSE(FileExists(folder + "\\" + old));
  EXPECT_TRUE(FileExists(folder + "\\" + recent));
  EXPECT_EQ(ReadFileBytes(folder + "\\" + foreign), "audio");
}

// The recording waits for space without a word more; the broadcast goes on.
TEST(Recording, TooLittleSpacePausesAtOnceWithOneLineAndLeavesTheBroadcastAlone) {
  AppUnderTest::Options options = TwoDevices();
  options.files["PushClient.ini"] = std::string(kRecordingEnabled) + "min_free_mb=" + std::to_string(kMaxMinFreeMb) + "\r\n";
  AppUnderTest app(options);
  app.GoLive(kGoodAddress);
  const std::string paused = FillIn(kLogRecordPaused, {std::to_string(kMaxMinFreeMb)});
  ASSERT_TRUE(app.WaitForLog(paused));
  EXPECT_TRUE(WaitUntil([&] { return app.Text(IDC_STATUS).find(kStatusRecordingPaused) != std::string::npos; }))
      << app.Text(IDC_STATUS);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  EXPECT_EQ(app.CountLog(paused), 1u);
  EXPECT_TRUE(RecordCalls(app).empty());
  EXPECT_EQ(app.StreamCalls().size(), 1u);
  EXPECT_TRUE(ProcessRunning(app.StreamCalls()[0].pid));
}

// A device that serves one program at a time: the broadcast's launch finds it held by the recording, and
// the recording gives way, said once; the broadcast goes on being relaunched.
TEST(Recording, GivesWayWhenTheBroadcastFindsTheDeviceHeld) {
  AppUnderTest::Options options = TwoDevices(
      "stream=exit_after\nstream_after_ms=1500\nstream_error=audio=麦克风 (Realtek Audio): Could not run graph "
      "(sometimes caused by a device already in use by other application)\n");
  options.files["PushClient.ini"] = kRecordingEnabled;
  AppUnderTest app(options);
  app.SelectCombo(IDC_COMBO_DEVICE, 1);
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(WaitUntil([&] { return !RecordCalls(app).empty(); }));
  const HANDLE recorder = OpenProcess(SYNCHRONIZE, FALSE, RecordCalls(app).at(0).pid);
  ASSERT_NE(recorder, nullptr);
  ASSERT_TRUE(app.WaitForLog(kLogRecordGaveWay, 20s));
  EXPECT_EQ(WaitForSingleObject(recorder, 10000), WAIT_OBJECT_0) << "the recording's encoder ended";
  CloseHandle(recorder);
  ASSERT_TRUE(app.WaitForStreamCalls(3, 30s)) << "the broadcast is relaunched as before";
  EXPECT_EQ(app.CountLog(kLogRecordGaveWay), 1u);
  EXPECT_EQ(RecordCalls(app).size(), 1u);
  EXPECT_EQ(app.Text(IDC_STATUS).find(kStatusRecording), std::string::npos) << app.Text(IDC_STATUS);
}
