#pragma once
#include <cstddef>
#include <string>

// The longest reason shown, in bytes.
constexpr std::size_t kMaxExitReasonBytes = 200;

// Why the encoder ended, for the log (after kLogEncoderExitReason) unless ExplainedExitReason below has a
// reason of its own: the last meaningful line with every stream key masked (MaskStreamKeys), cut to at
// most maxBytes at a UTF-8 character boundary. Empty when the encoder said nothing.
//   "rtmp://host/app/KEY: Connection refused" -> "rtmp://host/app/****: Connection refused"
std::string EncoderExitReason(const std::string& output, std::size_t maxBytes = kMaxExitReasonBytes);

// A reason the program words itself (a text of res/Texts.h, in the ANSI code page), for an ending whose
// last line would mislead; nullptr when the encoder's own words (EncoderExitReason) serve. It holds no
// address, so no stream key.
// - the server still holds a stream of this name (ServerSaysAlreadyPublishing): kLogAlreadyPublishing,
//   in place of "rtmp://host/app/****: Operation not permitted", which reads like a refusal for good.
const char* ExplainedExitReason(const std::string& output);
