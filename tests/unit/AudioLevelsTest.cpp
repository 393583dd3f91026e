#include "encoder/AudioLevels.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// Lines the encoder prints with the meter on, as ffmpeg wrote them.
const std::string kProgress = "size=       7kB time=00:00:00.97 bitrate=  58.8kbits/s speed=0.967x    \r";
std::string Reading(const std::string& peak) {
  return "[ametadata@level @ 0x5602b1978c40] frame:2    pts:44100   pts_time:1\n"
         "[ametadata@level @ 0x5602b1978c40] lavfi.astats.Overall.Peak_level=" + peak + "\n";
}
const std::string kReport = "[astats@level @ 0x5602b1980180] Peak level dB: -24.065186\n"
                            "[astats@level @ 0x5602b1980180] Number of samples: 22050\n";

TEST(AudioLevels, LatestPeakLevel) {
  const std::optional<double> none;
  const struct {
    const char* what;
    std::string output;
    std::optional<double> level;
  } cases[] = {
      {"a tone", kProgress + Reading("-24.065186") + kProgress, -24.065186},
      {"above full scale (float samples)", Reading("6.020598"), 6.020598},
      {"digital silence, then the closing report", Reading("-24.065186") + Reading("-inf") + kReport, kSilenceFloorDb},
      {"below the floor", Reading("-130.5"), kSilenceFloorDb},
      {"not a number: no reading", Reading("-20.000000") + Reading("nan"), none},
      {"infinite: no reading", Reading("inf"), none},
      {"older Windows C runtimes: silence", Reading("-1.#INF00"), kSilenceFloorDb},
      {"older Windows C runtimes: not a number", Reading("1.#QNAN0"), none},
      {"a line still being written",
       Reading("-24.065186") + "[ametadata@level @ 0x1] lavfi.astats.Overall.Peak_level=-2", -24.065186},
      {"no meter", kProgress + kProgress, none},
      {"nothing", "", none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<double> level = LatestPeakLevel(c.output);
    EXPECT_EQ(level.has_value(), c.level.has_value());
    EXPECT_NEAR(level.value_or(0), c.level.value_or(0), 1e-9);
  }
}

TEST(AudioLevels, MeterUnavailable) {
  const std::string banner = "ffmpeg version 4.1 Copyright (c) 2000-2018 the FFmpeg developers\r\n  configuration:";
  const struct {
    const char* what;
    std::string text;
    bool unavailable;
  } cases[] = {
      {"a full build", banner + " --enable-gpl --enable-gnutls --enable-libmp3lame\r\n", false},
      {"filters off", banner + " --enable-gpl --disable-filters\r\n", true},
      {"filter library off", banner + " --disable-avfilter\r\n", true},
      {"one of them off, in a list", banner + " --disable-filter=aresample,astats\r\n", true},
      {"another filter off", banner + " --disable-filter=astatsx,volume\r\n", false},
      {"all off, then the meter's on",
       banner + " --disable-everything --enable-filter=aresample,asplit,asetnsamples,astats,ametadata,anullsink\r\n",
       false},
      {"all off, then not all of the meter's on", banner + " --disable-everything --enable-filter=astats\r\n", true},
      {"later options win", banner + " --disable-filter=astats --enable-filters\r\n", false},
      {"unknown filter",
       "[AVFilterGraph @ 0x55a728e18b80] No such filter: 'astats'\nError initializing complex filters.\n"
       "Invalid argument\n",
       true},
      {"a device that changed its format", kProgress + "Error reinitializing filters!\n", false},
      {"nothing", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LevelMeterUnavailable(c.text), c.unavailable);
  }
}

}  // namespace
