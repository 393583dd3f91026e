#include "encoder/AacEncoderChoice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(AacEncoderChoice, WhatTheEncoderSaysOfItself) {
  using S = FdkAacSupport;
  const std::string version = "ffmpeg version 6.1.1-full_build Copyright (c) 2000-2023 the FFmpeg developers\r\n";
  const std::string listing = "[dshow @ 000001d7c2a3e4c0] \"Mic\" (audio)\r\ndummy: Immediate exit requested\r\n";
  const struct {
    const char* what;
    std::string text;
    S support;
  } cases[] = {
      {"banner without the option", version + "  configuration: --enable-gpl --enable-libmp3lame\r\n" + listing,
       S::Absent},
      {"banner with the option", version + "  configuration: --enable-nonfree --enable-libfdk-aac --enable-x\r\n" + listing,
       S::Present},
      {"the option last on the line, LF line ends", "  configuration: --enable-nonfree --enable-libfdk-aac\n",
       S::Present},
      {"a longer option is not it", "  configuration: --enable-libfdk-aac-extra\n", S::Absent},
      {"a disabled option is not it", "  configuration: --disable-libfdk-aac\n", S::Absent},
      {"an empty configuration", "  configuration:\r\n", S::Absent},
      {"version line without configuration", version + listing, S::Unknown},
      {"empty text", "", S::Unknown},
      {"the word elsewhere in a line", "[dshow @ 1] \"configuration: --enable-libfdk-aac\" (audio)\r\n", S::Unknown},
      {"probe: absent", "Codec 'libfdk_aac' is not recognized by FFmpeg.\r\n", S::Absent},
      {"probe: present", "Encoder libfdk_aac [Fraunhofer FDK AAC]:\r\n    General capabilities: delay small \r\n",
       S::Present},
      {"probe present beats a banner without the option",
       "  configuration: --enable-gpl\nEncoder libfdk_aac [Fraunhofer FDK AAC]:\n", S::Present},
  };
  for (const auto& c : cases) EXPECT_EQ(FdkAacSupportFromEncoderText(c.text), c.support) << c.what;
}

}  // namespace
