// What the encoder prints, read back: never a crash; the exit reason is one short line; masking hides a
// stream key wherever it stands and changes nothing when done twice; a peak level is a finite number no
// lower than the floor.
#include <cmath>

#include "encoder/AacEncoderChoice.h"
#include "encoder/AudioLevels.h"
#include "encoder/EncoderOutput.h"
#include "streaming/ExitReason.h"
#include "streaming/StreamKeyMask.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = InputBytes(data, size);

  const std::string reason = EncoderExitReason(text);
  FUZZ_CHECK(reason.size() <= kMaxExitReasonBytes);
  FUZZ_CHECK(reason.find('\n') == std::string::npos && reason.find('\r') == std::string::npos);
  const std::string last = LastMeaningfulLine(text);
  FUZZ_CHECK(!IsProgressLine(last));

  const EncoderProgress progress = LatestProgress(text);
  if (progress.kbitPerSecond) FUZZ_CHECK(*progress.kbitPerSecond == *progress.kbitPerSecond);  // not NaN

  if (const auto level = LatestPeakLevel(text)) FUZZ_CHECK(std::isfinite(*level) && *level >= kSilenceFloorDb);
  LevelMeterUnavailable(text);
  ExplainedExitReason(text);

  const std::string masked = MaskStreamKeys(text);
  FUZZ_CHECK(MaskStreamKeys(masked) == masked);

  // A key in an address, whatever stands around it, never shows.
  const auto [before, after] = SplitInTwo(text);
  const std::string key = "k3yZ9qXw";
  if (before.find(key) == std::string::npos && after.find(key) == std::string::npos) {
    const std::string line = before + " rtmp://127.0.0.1/live/" + key + " " + after;
    FUZZ_CHECK(MaskStreamKeys(line).find(key) == std::string::npos);
    FUZZ_CHECK(MaskStreamKey("rtmp://127.0.0.1/live/" + key).find(key) == std::string::npos);
  }

  FdkAacSupportFromEncoderText(text);
  return 0;
}
