#pragma once
#include <string>

// Which AAC encoder the streaming run asks for. The one of choice is libfdk_aac, but the ffmpeg builds
// people can download do not include it, and with such a build the streaming run ends at once with
// "Unknown encoder 'libfdk_aac'". The encoder's own words decide: the configuration line of its version
// banner (printed at the top of the device listing), or its answer to " -hide_banner -h encoder=libfdk_aac"
// (a build without it prints "Codec 'libfdk_aac' is not recognized by FFmpeg."; one with it prints
// "Encoder libfdk_aac [...]"), should that text be at hand.

extern const char kAacEncoderFdk[];     // "libfdk_aac"
extern const char kAacEncoderNative[];  // "aac": part of every build

enum class FdkAacSupport { Present, Absent, Unknown };

// What a text the encoder printed says about libfdk_aac: a device listing (whose banner holds a
// "configuration:" line), the answer to the probe, or both run together.
// - the probe's "Encoder libfdk_aac" line, or a configuration line with --enable-libfdk-aac: Present;
// - the probe's "Codec 'libfdk_aac' is not recognized" line, or a configuration line without
//   --enable-libfdk-aac: Absent;
// - none of these (no banner, an empty text, a failed run): Unknown.
// When the text says both (it never should), Present wins: the encoder of choice is kept.
FdkAacSupport FdkAacSupportFromEncoderText(const std::string& text);

// The encoder to pass to BuildStreamArgs: libfdk_aac unless the encoder said it lacks it.
const char* AacEncoderFor(FdkAacSupport support);
