#pragma once
#include <cstddef>
#include <string>

// The longest reason shown, in bytes.
constexpr std::size_t kMaxExitReasonBytes = 200;

// Why the encoder ended, for the log (after kLogEncoderExitReason): the last meaningful line with every
// stream key masked (MaskStreamKeys), cut to at most maxBytes at a UTF-8 character boundary. Empty when
// the encoder said nothing.
//   "rtmp://host/app/KEY: Connection refused" -> "rtmp://host/app/****: Connection refused"
std::string EncoderExitReason(const std::string& output, std::size_t maxBytes = kMaxExitReasonBytes);
