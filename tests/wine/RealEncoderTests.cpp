// PushClient.exe with a real Windows ffmpeg.exe beside it: a 4.1 build without libfdk_aac, fetched by the
// test script (PUSHCLIENT_REAL_FFMPEG). Its DirectShow devices under Wine are the sources of the test
// script's own PulseAudio server (PUSHCLIENT_PULSE_RUNTIME), which this group alone runs with. Wine cannot
// capture from them, so going live ends in the encoder's own capture error: what the program must report
// about an encoder it did not write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "AppUnderTest.h"
#include "res/Texts.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace

TEST(RealEncoder, TheSoundServersSourcesAreListedGoingLiveAsksForAacAndEachRelaunchSaysWhyTheEncoderEnded) {
  const char* exe = std::getenv("PUSHCLIENT_REAL_FFMPEG");
  const char* pulse = std::getenv("PUSHCLIENT_PULSE_RUNTIME");
  if (!exe || !*exe) GTEST_SKIP() << "no real ffmpeg.exe: PUSHCLIENT_REAL_FFMPEG is unset (the npm fetch failed)";
  if (!pulse || !*pulse) GTEST_SKIP() << "no PulseAudio server of the tests: PUSHCLIENT_PULSE_RUNTIME is unset";
  AppUnderTest::Options options;
  // The Linux path as Wine's drive Z: shows it.
  options.encoderExe = "Z:" + std::string(exe);
  std::replace(options.encoderExe.begin(), options.encoderExe.end(), '/', '\\');
  ASSERT_TRUE(FileExists(options.encoderExe)) << options.encoderExe;
  AppUnderTest app(options);

  const std::vector<std::string> devices = app.ComboItems(IDC_COMBO_DEVICE);
  std::cout << "Devices:\n" << Joined(devices);
  const auto sine = std::find(devices.begin(), devices.end(), "Sine source at 440 Hz");
  ASSERT_NE(sine, devices.end());
  app.SelectCombo(IDC_COMBO_DEVICE, static_cast<int>(sine - devices.begin()));
  app.GoLive("rtmp://127.0.0.1/live/real");
  // The listing's banner told the program that this build has no libfdk_aac.
  EXPECT_EQ(app.CountLog(kLogAacFallback), 1u) << Joined(app.LogLines());

  // The encoder fails to capture at once; the first watchdog tick (5 s) relaunches it, the second
  // relaunch comes 5 s later.
  ASSERT_TRUE(WaitUntil([&] { return app.CountLog(kLogRelaunch) >= 2; }, 20s)) << Joined(app.LogLines());
  std::cout << "Status: " << app.Text(IDC_STATUS) << "\nLog:\n" << Joined(app.LogLines());
  const std::vector<std::string> log = app.LogMessages();
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i] != kLogRelaunch) continue;
    ASSERT_LT(i + 1, log.size());
    EXPECT_EQ(log[i + 1].rfind(kLogEncoderExitReason, 0), 0u) << log[i + 1];
    EXPECT_NE(log[i + 1].find("I/O error"), std::string::npos) << log[i + 1];
  }
  EXPECT_EQ(app.CountLog(kLogAacFallback), 1u) << "said once, not at every relaunch";
  EXPECT_NE(app.Text(IDC_STATUS).find("| 重启 2 次"), std::string::npos) << app.Text(IDC_STATUS);
}
