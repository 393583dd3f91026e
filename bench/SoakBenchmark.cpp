// Switches the broadcast on and off, then refreshes the device list, many times over against the stand-in
// encoder, and prints the program's handles, windows, GDI objects and memory as it goes, with each
// figure's growth per cycle (least squares). Flat is the goal. Figures only: nothing here passes or fails.
//
//   pushclient_soak.exe [cycles, default 1000]
#include <cstdio>
#include <cstdlib>

#include "AppUnderTest.h"
#include "ProcessFigures.h"
#include "res/Texts.h"
#include "res/resource.h"

using namespace pushtest;
using Clock = std::chrono::steady_clock;

namespace {

const char kAddress[] = "rtmp://127.0.0.1/live/stream";
const int kSampleEvery = 100;

struct Sample {
  int cycle;
  ProcessFigures figures;
};

// Growth per cycle of one figure over the samples (least squares); n/a if the figure was never read.
std::string Slope(const std::vector<Sample>& samples, long long ProcessFigures::*field) {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const Sample& s : samples) {
    const long long y = s.figures.*field;
    if (y < 0) return "n/a";
    n += 1;
    sx += s.cycle;
    sy += static_cast<double>(y);
    sxx += static_cast<double>(s.cycle) * s.cycle;
    sxy += static_cast<double>(s.cycle) * static_cast<double>(y);
  }
  const double d = n * sxx - sx * sx;
  if (n < 2 || d == 0) return "n/a";
  char text[32];
  std::snprintf(text, sizeof(text), "%+.3f", (n * sxy - sx * sy) / d);
  return text;
}

void PrintHeader() {
  std::printf("  %7s %9s %9s %9s %9s %12s %12s\n", "cycle", "seconds", "handles", "windows", "GDI", "working KiB",
              "private KiB");
}

void PrintSample(const Sample& s, double seconds) {
  std::printf("  %7d %9.1f %9s %9s %9s %12s %12s\n", s.cycle, seconds, Figure(s.figures.handles).c_str(),
              Figure(s.figures.windows).c_str(), Figure(s.figures.gdiObjects).c_str(),
              Figure(s.figures.workingSetKiB).c_str(), Figure(s.figures.privateKiB).c_str());
  std::fflush(stdout);
}

void PrintSlope(const std::string& label, const std::vector<Sample>& samples) {
  std::printf("  %-17s %9s %9s %9s %12s %12s\n", label.c_str(), Slope(samples, &ProcessFigures::handles).c_str(),
              Slope(samples, &ProcessFigures::windows).c_str(), Slope(samples, &ProcessFigures::gdiObjects).c_str(),
              Slope(samples, &ProcessFigures::workingSetKiB).c_str(), Slope(samples, &ProcessFigures::privateKiB).c_str());
  std::fflush(stdout);
}

// The first cycles fill caches (fonts, the button texts' drawing) once; the slope after them is the one
// that tells a leak.
void PrintSlopes(const std::vector<Sample>& samples) {
  PrintSlope("slope per cycle", samples);
  if (samples.size() > 2) PrintSlope("  from cycle " + std::to_string(samples[1].cycle), {samples.begin() + 1, samples.end()});
  std::printf("\n");
  std::fflush(stdout);
}

// The log grows by design with every cycle; it is emptied before each reading so that it does not
// pass for a leak.
Sample Take(const AppUnderTest& app, int cycle) {
  app.Click(IDC_BTN_CLEARLOG);
  Sleep(200);
  return {cycle, ReadProcessFigures(app.ProcessId())};
}

// Runs cycles of one kind, reading the figures at the start, every kSampleEvery cycles and at the end.
template <typename Cycle>
bool Soak(const char* title, const AppUnderTest& app, int cycles, Cycle cycle) {
  std::printf("%s\n", title);
  PrintHeader();
  std::vector<Sample> samples;
  const auto start = Clock::now();
  auto seconds = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
  samples.push_back(Take(app, 0));
  PrintSample(samples.back(), 0);
  for (int i = 1; i <= cycles; ++i) {
    if (!cycle()) {
      std::printf("  cycle %d did not complete; stopped here\n", i);
      PrintSlopes(samples);
      return false;
    }
    if (i % kSampleEvery == 0 || i == cycles) {
      samples.push_back(Take(app, i));
      PrintSample(samples.back(), seconds());
    }
  }
  PrintSlopes(samples);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
  std::printf("PushClient soak: %d live on/off cycles, then %d refreshes, against the stand-in encoder.\n"
              "Goal: flat figures (no growth per cycle beyond noise). The log is emptied before each reading.\n\n",
              cycles, cycles);
  AppUnderTest::Options options;
  options.encoderScript = "stream=run\n";
  AppUnderTest app(options);
  app.SetText(IDC_EDIT_SERVER, kAddress);
  Sleep(1000);

  auto buttonReads = [&](const char* text) {
    return WaitUntil([&] { return app.Text(IDC_BTN_LIVE) == text; }, 10s, 1ms);
  };
  // The stand-in counts its streaming launches in a file; a cycle waits for its encoder to be running
  // before it switches off, so that every cycle starts and ends a real child.
  int launches = 0;
  auto encoderStarted = [&] {
    return WaitUntil([&] { return std::atoi(ReadFileBytes(app.PathOf("fake-ffmpeg-streams.txt")).c_str()) > launches; },
                     10s, 1ms) &&
           ++launches;
  };
  const bool liveOk = Soak("Live on/off cycles (click the live button, wait for its stop text and a running encoder, click again,\n"
           "wait for its start text):", app, cycles, [&] {
    app.Click(IDC_BTN_LIVE);
    if (!buttonReads(kButtonStop) || !encoderStarted()) return false;
    app.Click(IDC_BTN_LIVE);
    return buttonReads(kButtonStart);
  });
  const bool refreshOk = Soak("Refreshes (click the refresh button, wait until it is usable again):", app, cycles, [&] {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(app.Item(IDC_BTN_REFRESH), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result);
    return WaitUntil([&] { return IsWindowEnabled(app.Item(IDC_BTN_REFRESH)) != FALSE; }, 20s, 1ms);
  });
  size_t streams = 0, listings = 0;
  for (const EncoderCall& call : app.EncoderCalls()) (call.mode == "stream" ? streams : listings) += 1;
  std::printf("Encoder runs seen by the stand-in: %zu streaming, %zu listing.\n", streams, listings);
  return liveOk && refreshOk ? 0 : 1;
}
