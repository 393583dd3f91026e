#include "encoder/AacEncoderChoice.h"

#include <gtest/gtest.h>

#include <string>

#include "encoder/EncoderCommandLine.h"

namespace {

const std::string kVersion = "ffmpeg version 6.1.1-full_build Copyright (c) 2000-2023 the FFmpeg developers\r\n"
                             "  built with gcc 12.2.0 (Rev10, Built by MSYS2 project)\r\n";
const std::string kListing = "[dshow @ 000001d7c2a3e4c0] \"Mic\" (audio)\r\ndummy: Immediate exit requested\r\n";

TEST(AacEncoderChoice, WhatTheEncoderSaysOfItself) {
  using S = FdkAacSupport;
  const struct {
    const char* what;
    std::string text;
    S support;
  } cases[] = {
      {"banner without the option",
       kVersion + "  configuration: --enable-gpl --enable-version3 --enable-libmp3lame --enable-libopus\r\n" + kListing,
       S::Absent},
      {"banner with the option",
       kVersion + "  configuration: --enable-gpl --enable-nonfree --enable-libfdk-aac --enable-libx264\r\n" + kListing,
       S::Present},
      {"the option last on the line, LF line ends",
       "ffmpeg version n7.0\n  configuration: --enable-nonfree --enable-libfdk-aac\n", S::Present},
      {"a longer option is not it", "  configuration: --enable-libfdk-aac-extra\n", S::Absent},
      {"a disabled option is not it", "  configuration: --disable-libfdk-aac\n", S::Absent},
      {"an empty configuration", "  configuration:\r\n", S::Absent},
      {"version line without configuration", kVersion + kListing, S::Unknown},
      {"no banner at all", kListing, S::Unknown},
      {"empty text", "", S::Unknown},
      {"the word elsewhere in a line", "[dshow @ 1] \"configuration: --enable-libfdk-aac\" (audio)\r\n", S::Unknown},
      {"probe: absent", "Codec 'libfdk_aac' is not recognized by FFmpeg.\r\n", S::Absent},
      {"probe: present",
       "Encoder libfdk_aac [Fraunhofer FDK AAC]:\r\n    General capabilities: delay small \r\n"
       "    Threading capabilities: none\r\n",
       S::Present},
      {"probe present beats a banner without the option",
       "  configuration: --enable-gpl\nEncoder libfdk_aac [Fraunhofer FDK AAC]:\n", S::Present},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FdkAacSupportFromEncoderText(c.text), c.support);
  }
}

TEST(AacEncoderChoice, OnlyAnEncoderThatLacksItGetsAac) {
  EXPECT_STREQ(AacEncoderFor(FdkAacSupport::Present), "libfdk_aac");
  EXPECT_STREQ(AacEncoderFor(FdkAacSupport::Unknown), "libfdk_aac");
  EXPECT_STREQ(AacEncoderFor(FdkAacSupport::Absent), "aac");
}

TEST(AacEncoderChoice, StreamLineDiffersOnlyInTheEncoder) {
  const std::string fdk = BuildStreamArgs("麦克风 (Realtek Audio)", "48", "rtmp://h/live/s", kAacEncoderFdk);
  EXPECT_EQ(fdk, BuildStreamArgs("麦克风 (Realtek Audio)", "48", "rtmp://h/live/s"));
  EXPECT_EQ(fdk, " -f dshow -i audio=\"麦克风 (Realtek Audio)\" -y -c:a libfdk_aac -b:a 48k -f flv rtmp://h/live/s ");
  EXPECT_EQ(BuildStreamArgs("麦克风 (Realtek Audio)", "48", "rtmp://h/live/s", kAacEncoderNative),
            " -f dshow -i audio=\"麦克风 (Realtek Audio)\" -y -c:a aac -b:a 48k -f flv rtmp://h/live/s ");
}

}  // namespace
