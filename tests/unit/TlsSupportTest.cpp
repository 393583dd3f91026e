#include "encoder/TlsSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TlsSupport, WhatTheEncoderSaysOfItself) {
  using S = TlsSupport;
  const struct {
    const char* what;
    std::string text;
    S support;
  } cases[] = {
      {"Debian's build",
       "ffmpeg version 5.1.9-0+deb12u1 Copyright (c) 2000-2026 the FFmpeg developers\n"
       "  built with gcc 12 (Debian 12.2.0-14+deb12u1)\n"
       "  configuration: --prefix=/usr --enable-gpl --disable-stripping --enable-gnutls --enable-ladspa\n",
       S::Present},
      {"the option last, CRLF, after autodetection is off",
       "  configuration: --disable-autodetect --enable-openssl\r\n", S::Present},
      {"none named, autodetection off", "  configuration: --enable-gpl --disable-autodetect --enable-libmp3lame\r\n",
       S::Absent},
      {"none named, Schannel off", "  configuration: --enable-gpl --disable-schannel\r\n", S::Absent},
      {"a longer or disabled option is not it",
       "  configuration: --enable-gnutls-x --disable-openssl --disable-autodetect\n", S::Absent},
      {"none named: Schannel found by itself", "  configuration: --enable-gpl --enable-libmp3lame\r\n", S::Present},
      {"no banner", "[dshow @ 000001d7c2a3e4c0] \"Mic\" (audio)\r\n", S::Unknown},
      {"empty text", "", S::Unknown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TlsSupportFromEncoderText(c.text), c.support);
  }
}

}  // namespace
