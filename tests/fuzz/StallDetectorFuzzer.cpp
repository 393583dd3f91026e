// Watchdog ticks against the stall rule: a tick whose status file could not be read never decides a
// stall, and an encoder whose progress time goes up at every tick less than 20 s apart is never stalled.
#include "streaming/StallDetector.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StallDetector any;
  StallDetector healthy;
  long long now = 1000;
  long long progress = 0;
  any.Reset(now);
  healthy.Reset(now);
  // Each tick takes three bytes: the time since the last tick (in 100 ms), whether the file was read,
  // and how far the progress time went (0: no progress line, 255: time went back).
  for (std::size_t i = 0; i + 3 <= size; i += 3) {
    now += 100LL * data[i];
    const bool readable = data[i + 1] & 1;
    std::optional<long long> time;
    if (data[i + 2] == 255) time = progress / 2;
    else if (data[i + 2] != 0) time = progress += 10LL * data[i + 2];
    const bool stalled = any.Tick(now, readable, time);
    if (!readable) FUZZ_CHECK(!stalled);

    // The same clock, with progress that moves at every tick.
    const bool healthyStalled = healthy.Tick(now, true, 1000LL * static_cast<long long>(i + 3));
    if (data[i] < 200) FUZZ_CHECK(!healthyStalled);
    else healthy.Reset(now);
  }
  return 0;
}
