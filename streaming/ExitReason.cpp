#include "streaming/ExitReason.h"

#include "encoder/EncoderOutput.h"
#include "res/Texts.h"
#include "streaming/StreamKeyMask.h"

std::string EncoderExitReason(const std::string& output, std::size_t maxBytes) {
  std::string reason = MaskStreamKeys(LastMeaningfulLine(output));
  if (reason.size() <= maxBytes) return reason;
  // Back up over UTF-8 continuation bytes so that no character is cut in two.
  std::size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(reason[cut]) & 0xC0) == 0x80) --cut;
  reason.resize(cut);
  return reason;
}

const char* ExplainedExitReason(const std::string& output) {
  return ServerSaysAlreadyPublishing(output) ? kLogAlreadyPublishing : nullptr;
}
