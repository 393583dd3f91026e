#include "streaming/StreamKeyMask.h"

#include <gtest/gtest.h>

#include <string>

TEST(StreamKeyMask, OneAddress) {
  const struct {
    const char* address;
    const char* masked;
  } cases[] = {
      {"rtmp://1000.push.quorvel.com/app/stream", "rtmp://1000.push.quorvel.com/app/****"},
      {"rtmp://h/live/stream?key=abc&sig=x/y", "rtmp://h/live/****"},
      {"rtmp://h:1935/live/a/b/c", "rtmp://h:1935/live/****"},
      {"RTMPS://h/live/secret", "RTMPS://h/live/****"},
      {"rtmp://h/live?key=abc", "rtmp://h/live?****"},
      {"rtmp://h/live/", "rtmp://h/live/"}, {"rtmp://h", "rtmp://h"}, {"http://h/live/secret", "http://h/live/secret"},
  };
  for (const auto& c : cases) EXPECT_EQ(MaskStreamKey(c.address), c.masked) << c.address;
}

TEST(StreamKeyMask, EveryAddressInAText) {
  const struct {
    std::string text;
    std::string masked;
  } cases[] = {
      {"rtmp://127.0.0.1/live/secretkey: Connection refused", "rtmp://127.0.0.1/live/****: Connection refused"},
      {"rtmp://h/app/key?key=abc: I/O error\r\n", "rtmp://h/app/****: I/O error\r\n"},
      {"[tcp @ 0x1] Output \"rtmp://h/app/k1\" and 'rtmps://h/app/k2' failed",
       "[tcp @ 0x1] Output \"rtmp://h/app/****\" and 'rtmps://h/app/****' failed"},
      {"to rtmp://a/b/c\tthen Rtmp://d/e/f\nend rtmp://g/h/i", "to rtmp://a/b/****\tthen Rtmp://d/e/****\nend rtmp://g/h/****"},
      {"a key with colons rtmp://h/app/k:e:y: Broken pipe", "a key with colons rtmp://h/app/****: Broken pipe"},
      // Chinese text around it, in code page 936 and in UTF-8; a STREAM field in Chinese.
      {"直播 rtmp://h/app/乗昞 失败", "直播 rtmp://h/app/**** 失败"},
      {u8"推流 rtmp://h/app/密钥：失败", u8"推流 rtmp://h/app/****"},
      {"no address here, not even rtmp:/ or rtmp or rtmpxyz", "no address here, not even rtmp:/ or rtmp or rtmpxyz"},
      {"rtmp://", "rtmp://"},
  };
  for (const auto& c : cases) EXPECT_EQ(MaskStreamKeys(c.text), c.masked) << c.text;
}
