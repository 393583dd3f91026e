// Switches the broadcast on and off, then refreshes the device list, many times over against the stand-in
// encoder, and prints the program's handles, windows, GDI objects and memory as it goes, with each
// figure's growth per cycle (least squares). Flat is the goal. Figures only: nothing here passes or fails.
//
//   pushclient_soak.exe [cycles, default 1000]
//
// Under Wine, starting a console program from a window program now and then fails (CreateProcess answers
// ERROR_INTERNAL_ERROR: the new process ended during its own start-up), more often on a loaded machine.
// PushClient answers such a start as it always does: going live, with "call process  failed!" in the log
// and another try on the watchdog's schedule; refreshing, with a message box. A cycle that meets one answers it as a
// person would (switches off, or presses OK), counts it and tries again.
#include <cstdio>
#include <cstdlib>

#include "AppUnderTest.h"
#include "ProcessFigures.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "streaming/Watchdog.h"

using namespace pushtest;
using Clock = std::chrono::steady_clock;

namespace {

const char kAddress[] = "rtmp://127.0.0.1/live/stream";
const int kSampleEvery = 100;
// Far beyond what a step takes even on a loaded machine (a start is well under a second; the watchdog
// reports a failed one within 5 s); only a cycle that is truly stuck runs into it.
constexpr Millis kDeadline = 60s;
// Starts refused in a row before a cycle counts as stuck.
const int kAttempts = 5;

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
// A cycle returns an empty text when it completed, or what did not happen.
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
    const std::string failure = cycle();
    if (!failure.empty()) {
      std::printf("  cycle %d did not complete (%s); stopped here\n", i, failure.c_str());
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
    return WaitUntil([&] { return app.Text(IDC_BTN_LIVE) == text; }, kDeadline, 1ms);
  };
  // The stand-in counts its streaming launches in a file; a cycle waits for its encoder to be running
  // before it switches off, so that every cycle starts and ends a real child.
  auto launchCount = [&] { return std::atoi(ReadFileBytes(app.PathOf("fake-ffmpeg-streams.txt")).c_str()); };
  int launches = 0;
  auto state = [&](const char* what) {
    const std::vector<std::string> log = app.LogMessages();
    return std::string(what) + "; the live button reads '" + app.Text(IDC_BTN_LIVE) + "', the stand-in counted " +
           std::to_string(launchCount()) + " launches, " + std::to_string(launches) + " seen, the log's last line: '" +
           (log.empty() ? std::string() : log.back()) + "'";
  };
  // Waits for the count to go up, or for PushClient to say that it could not start the encoder. The log is
  // read only now and then: it is long, and reading it costs the window time.
  enum class Start { Running, Refused, Neither };
  auto encoderStart = [&] {
    const auto deadline = Clock::now() + kDeadline;
    auto nextLogLook = Clock::now() + 1s;
    for (;;) {
      if (launchCount() > launches) {
        ++launches;
        return Start::Running;
      }
      if (Clock::now() >= nextLogLook) {
        if (app.CountLog(kLogCallFailed) > 0) return Start::Refused;
        nextLogLook = Clock::now() + 250ms;
      }
      if (Clock::now() >= deadline) return Start::Neither;
      Sleep(1);
    }
  };
  int refusedStreams = 0;
  const bool liveOk = Soak("Live on/off cycles (click the live button, wait for its stop text and a running encoder, click again,\n"
           "wait for its start text):", app, cycles, [&]() -> std::string {
    for (int attempt = 1;; ++attempt) {
      app.Click(IDC_BTN_LIVE);
      if (!buttonReads(kButtonStop)) return state("the live button did not turn into the stop button");
      const Start start = encoderStart();
      if (start == Start::Neither) return state("no encoder started, and PushClient did not say it failed");
      app.Click(IDC_BTN_LIVE);
      if (!buttonReads(kButtonStart)) return state("the live button did not turn back into the start button");
      if (start == Start::Running) return {};
      ++refusedStreams;
      // The log was read for this line alone; the next attempt must not find it there.
      app.Click(IDC_BTN_CLEARLOG);
      if (attempt == kAttempts) return state("every start of the encoder was refused");
    }
  });
  // A listing the system would not start ends in PushClient's message box, which stays until answered.
  int refusedListings = 0;
  std::vector<std::string> boxTexts;
  auto answerMessageBox = [&](Millis wait) {
    HWND box = app.WaitForMessageBox(wait);
    if (!box) return false;
    boxTexts.push_back(AppUnderTest::DialogText(box));
    AppUnderTest::PressOk(box);
    WaitUntil([&] { return !IsWindow(box); }, kDeadline);
    return true;
  };
  const bool refreshOk = Soak("Refreshes (click the refresh button, wait until it is usable again):", app, cycles, [&]() -> std::string {
    for (int attempt = 1;; ++attempt) {
      DWORD_PTR result = 0;
      SendMessageTimeoutA(app.Item(IDC_BTN_REFRESH), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result);
      if (!WaitUntil([&] { return IsWindowEnabled(app.Item(IDC_BTN_REFRESH)) != FALSE; }, kDeadline, 1ms))
        return state("the refresh button stayed resting");
      // The box comes from the message that makes the button usable again: once the window has taken the
      // next message, the box is up, if there is one.
      Answers(app.Main());
      if (!answerMessageBox(0ms)) return {};
      ++refusedListings;
      if (attempt == kAttempts) return state("every start of the listing was refused");
    }
  });
  size_t listings = 0;
  for (const EncoderCall& call : app.EncoderCalls()) listings += call.mode == "list";
  std::printf("Encoder runs counted by the stand-in: %d streaming, %zu listing.\n", launchCount(), listings);
  std::printf("Encoder starts the system refused, each answered and tried again: %d streaming, %d listing.\n",
              refusedStreams, refusedListings);
  for (const std::string& text : boxTexts) std::printf("  message box: %s\n", text.c_str());
  return liveOk && refreshOk ? 0 : 1;
}
