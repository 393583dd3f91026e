#include "encoder/AacEncoderChoice.h"
#include "encoder/TlsSupport.h"

#include <gtest/gtest.h>

#include <string>

// Both answers come from the banner's configuration line; the AAC answer also from the probe's.
TEST(EncoderConfiguration, WhatTheEncoderSaysOfItself) {
  using T = TlsSupport;
  using F = FdkAacSupport;
  const std::string version = "ffmpeg version 6.1.1-full_build Copyright (c) 2000-2023 the FFmpeg developers\r\n";
  const std::string listing = "[dshow @ 000001d7c2a3e4c0] \"Mic\" (audio)\r\ndummy: Immediate exit requested\r\n";
  const struct {
    const char* what;
    std::string text;
    T tls;
    F fdk;
  } cases[] = {
      {"Debian's build",
       "ffmpeg version 5.1.9-0+deb12u1 Copyright (c) 2000-2026 the FFmpeg developers\n"
       "  built with gcc 12 (Debian 12.2.0-14+deb12u1)\n"
       "  configuration: --prefix=/usr --enable-gpl --disable-stripping --enable-gnutls --enable-ladspa\n",
       T::Present, F::Absent},
      {"options mid-line", version + "  configuration: --enable-nonfree --enable-libfdk-aac --enable-openssl -x\r\n" +
       listing, T::Present, F::Present},
      {"options last, CRLF, autodetection off",
       "  configuration: --disable-autodetect --enable-schannel\r\n  configuration: --enable-libfdk-aac\r\n",
       T::Present, F::Present},
      {"none named, autodetection off", "  configuration: --enable-gpl --disable-autodetect --enable-libmp3lame\r\n",
       T::Absent, F::Absent},
      {"longer or disabled options are not it",
       "  configuration: --enable-gnutls-x --disable-openssl --disable-schannel --enable-libfdk-aac-extra "
       "--disable-libfdk-aac\n",
       T::Absent, F::Absent},
      {"an empty configuration", "  configuration:\r\n", T::Absent, F::Absent},
      {"version line without configuration", version + listing, T::Unknown, F::Unknown},
      {"the word elsewhere in a line", "[dshow @ 1] \"configuration: --enable-libfdk-aac --enable-gnutls\" (audio)\r\n",
       T::Unknown, F::Unknown},
      {"empty text", "", T::Unknown, F::Unknown},
      {"probe: absent", "Codec 'libfdk_aac' is not recognized by FFmpeg.\r\n", T::Unknown, F::Absent},
      {"probe: present", "Encoder libfdk_aac [Fraunhofer FDK AAC]:\r\n    General capabilities: delay small \r\n",
       T::Unknown, F::Present},
      {"probe present beats a banner without the option",
       "  configuration: --enable-gpl\nEncoder libfdk_aac [Fraunhofer FDK AAC]:\n", T::Absent, F::Present},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TlsSupportFromEncoderText(c.text), c.tls);
    EXPECT_EQ(FdkAacSupportFromEncoderText(c.text), c.fdk);
  }
}
