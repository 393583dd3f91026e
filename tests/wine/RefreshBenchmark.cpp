// Prints how long the window takes to come up, and one refresh, against a listing that takes a known
// time T to print, for a small and a 64 KiB listing. Figures only: nothing here passes or fails.
#include <cstdio>

#include "AppUnderTest.h"
#include "res/resource.h"

using namespace pushtest;
using Clock = std::chrono::steady_clock;

namespace {

std::string Listing(size_t devices) {
  std::string text = "[dshow @ 0] DirectShow audio devices\r\n";
  for (size_t i = 0; i < devices; ++i)
    text += "[dshow @ 0]  \"Input " + std::to_string(i) + " (Virtual Audio)\"\r\n[dshow @ 0]     Alternative name " +
            "\"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{" + std::to_string(i) + "}\"\r\n";
  return text + "dummy: Immediate exit requested\r\n";
}

struct Figures {
  double startMs;
  double refreshMs;
};

// The listing is written in two halves with T between them, so the child runs for T plus its start-up.
Figures Measure(const std::string& listing, int delayMs) {
  AppUnderTest::Options options;
  options.files["listing.txt"] = listing;
  options.encoderScript = "list_file=listing.txt\nlist_chunk=" + std::to_string(listing.size() / 2 + 1) +
                          "\nlist_delay_ms=" + std::to_string(delayMs) + "\n";
  options.startNow = false;
  AppUnderTest app(options);
  const auto start = Clock::now();
  app.Start();
  const auto visible = Clock::now();
  app.Click(IDC_BTN_REFRESH);
  const auto refreshed = Clock::now();
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  return {ms(visible - start), ms(refreshed - visible)};
}

Figures Best(const std::string& listing, int delayMs, int runs) {
  Figures best{1e9, 1e9};
  for (int i = 0; i < runs; ++i) {
    const Figures f = Measure(listing, delayMs);
    if (f.startMs < best.startMs) best.startMs = f.startMs;
    if (f.refreshMs < best.refreshMs) best.refreshMs = f.refreshMs;
  }
  return best;
}

}  // namespace

int main() {
  const int kT = 1000;
  const int kRuns = 3;
  std::printf("Device refresh benchmark: listing child prints in two halves %d ms apart (T); best of %d runs.\n",
              kT, kRuns);
  std::printf("Overhead = refresh time with T minus refresh time with T = 0 (the child's own start-up under\n"
              "this emulator), so it is what the program adds on top of the listing's own duration.\n\n");
  std::printf("%-10s %9s %12s %14s %16s %10s %8s\n", "listing", "bytes", "start (ms)", "refresh (ms)",
              "refresh T=0 (ms)", "overhead", "ratio");
  for (size_t devices : {2u, 480u}) {
    const std::string listing = Listing(devices);
    const Figures withT = Best(listing, kT, kRuns);
    const Figures without = Best(listing, 0, kRuns);
    const double overhead = withT.refreshMs - without.refreshMs - kT;
    // The ratio compares the refresh with the listing's own duration (T plus the child's start-up).
    const double ratio = withT.refreshMs / (kT + without.refreshMs);
    std::printf("%-10s %9zu %12.0f %14.0f %16.0f %7.0f ms %8.3f\n", devices == 2 ? "small" : "64 KiB", listing.size(),
                withT.startMs, withT.refreshMs, without.refreshMs, overhead, ratio);
  }
  return 0;
}
