// Prints how quickly PushClient's window comes up and how quickly it answers while it works: beside a bare
// dialog with the same controls and manifest, built the same way; during refreshes (a slow and a hung
// listing); switching live on and off and live with a running encoder, without and with an alert webhook;
// while the watchdog relaunches an encoder that keeps ending; with its memory and handles. Last, a table of
// the goals, each with its figure. Figures only: nothing here passes or fails.
//
//   pushclient_benchmark.exe [seconds live, default 60] [bytes of the stripped PushClient.exe]
//
// With PUSHCLIENT_HTTPS_WEBHOOK set (scripts/webhook-https.sh), PushClient is also measured with alerts
// going to the receiver's plain-HTTP listener that answers 200, so that the alert sender's thread is alive.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "AppUnderTest.h"
#include "ProcessFigures.h"
#include "WebhookListener.h"
#include "res/Texts.h"
#include "res/resource.h"

using namespace pushtest;
using Clock = std::chrono::steady_clock;
using Summary = ResponsivenessSampler::Summary;

namespace {

// Launches of each program, after one of each that is not counted (the first loads from a cold cache).
const int kLaunchRuns = 11;
const int kT = 1000;
// Times live is switched on and off, each with a sampling of its own that goes on after the click: after
// switching on, long enough for the encoder's start, its first progress and the status line's first look.
const int kSwitchCycles = 5;
const DWORD kSettleOnMs = 1500;
const DWORD kSettleOffMs = 500;
const char kAddress[] = "rtmp://127.0.0.1/live/stream";

// The goals.
const double kAnswerGoalMs = ResponsivenessSampler::kStallMs;
const double kLaunchRatioGoal = 1.3;
const double kPrivateGoalMiB = 10.5;
const long long kExeGoalBytes = 450 * 1000;

const char kMet[] = "\xE2\x9C\x94";     // a check mark, in UTF-8
const char kMissed[] = "\xE2\x9C\x98";  // a cross

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Listing(size_t devices) {
  std::string text = "[dshow @ 0] DirectShow audio devices\r\n";
  for (size_t i = 0; i < devices; ++i)
    text += "[dshow @ 0]  \"Input " + std::to_string(i) + " (Virtual Audio)\"\r\n[dshow @ 0]     Alternative name " +
            "\"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{" + std::to_string(i) + "}\"\r\n";
  return text + "dummy: Immediate exit requested\r\n";
}

// The listing is written in two halves with T between them, so the child runs for T plus its start-up.
AppUnderTest::Options ListingOptions(const std::string& listing, int delayMs) {
  AppUnderTest::Options options;
  options.files["listing.txt"] = listing;
  options.encoderScript = "list_file=listing.txt\nlist_chunk=" + std::to_string(listing.size() / 2 + 1) +
                          "\nlist_delay_ms=" + std::to_string(delayMs) + "\n";
  return options;
}

// Clicks refresh and times it until the button is usable again, to the millisecond.
double TimedRefresh(const AppUnderTest& app, Millis timeout = 25s) {
  const auto start = Clock::now();
  DWORD_PTR result = 0;
  SendMessageTimeoutA(app.Item(IDC_BTN_REFRESH), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result);
  while (!IsWindowEnabled(app.Item(IDC_BTN_REFRESH)) && Clock::now() - start < timeout) Sleep(1);
  return MsSince(start);
}

void PrintStall(const std::string& what, const Summary& s) {
  std::printf("  %-58s %7zu %9.1f %10.1f %7zu %11.0f %6zu\n", what.c_str(), s.samples, s.medianMs, s.longestMs, s.stalls,
              s.slowMs, s.unanswered);
  std::fflush(stdout);
}

void PrintFigures(const char* what, const ProcessFigures& f) {
  std::printf("  %-34s %12s %14s %9s %9s %9s\n", what, Figure(f.workingSetKiB).c_str(), Figure(f.privateKiB).c_str(),
              Figure(f.handles).c_str(), Figure(f.windows).c_str(), Figure(f.gdiObjects).c_str());
  std::fflush(stdout);
}

bool WaitForButtonText(const AppUnderTest& app, const char* text, Millis timeout = 10s) {
  return WaitUntil([&] { return app.Text(IDC_BTN_LIVE) == text; }, timeout, 1ms);
}

// Clicks the live switch while a sampler listens, and goes on listening for settleMs after the button has
// changed: what the click and what follows it at once (the encoder's start or end) cost the window.
bool SampledSwitch(const AppUnderTest& app, const char* buttonAfter, DWORD settleMs, std::vector<double>& answersMs) {
  ResponsivenessSampler sampler(app.Main());
  Sleep(100);
  app.Click(IDC_BTN_LIVE);
  const bool switched = WaitForButtonText(app, buttonAfter);
  Sleep(settleMs);
  sampler.Stop();
  answersMs.insert(answersMs.end(), sampler.AnswersMs().begin(), sampler.AnswersMs().end());
  return switched;
}

struct LiveFiguresRun {
  std::vector<double> onMs, offMs;  // the answers around each switching on, and each switching off
  Summary steady;                   // a long run live, switched on and off once
  ProcessFigures idle, live;
  bool ok = true;
};

// Live against the stand-in encoder that runs until ended: kSwitchCycles times on and off, then once for
// liveSeconds, with PushClient.ini's bytes if given.
LiveFiguresRun MeasureLive(const std::string& profile, int liveSeconds) {
  LiveFiguresRun run;
  AppUnderTest::Options options;
  options.encoderScript = "stream=run\n";
  if (!profile.empty()) options.files["PushClient.ini"] = profile;
  AppUnderTest app(options);
  Sleep(1000);
  run.idle = ReadProcessFigures(app.ProcessId());
  app.SetText(IDC_EDIT_SERVER, kAddress);
  for (int i = 0; i < kSwitchCycles; ++i) {
    run.ok &= SampledSwitch(app, kButtonStop, kSettleOnMs, run.onMs);
    run.ok &= SampledSwitch(app, kButtonStart, kSettleOffMs, run.offMs);
  }
  ResponsivenessSampler sampler(app.Main());
  app.Click(IDC_BTN_LIVE);
  run.ok &= WaitForButtonText(app, kButtonStop);
  Sleep(static_cast<DWORD>(liveSeconds) * 1000);
  run.live = ReadProcessFigures(app.ProcessId());
  app.Click(IDC_BTN_LIVE);
  run.ok &= WaitForButtonText(app, kButtonStart);
  run.steady = sampler.Stop();
  return run;
}

struct RelaunchRun {
  Summary answers;
  size_t launches = 0;
};

// Live for liveSeconds against a stand-in encoder run by script: the watchdog relaunches it each time it
// has ended.
RelaunchRun MeasureRelaunches(const std::string& script, int liveSeconds) {
  AppUnderTest::Options options;
  options.encoderScript = script;
  AppUnderTest app(options);
  app.SetText(IDC_EDIT_SERVER, kAddress);
  ResponsivenessSampler sampler(app.Main());
  app.Click(IDC_BTN_LIVE);
  Sleep(static_cast<DWORD>(liveSeconds) * 1000);
  app.Click(IDC_BTN_LIVE);
  WaitForButtonText(app, kButtonStart);
  RelaunchRun run;
  run.answers = sampler.Stop();
  for (const EncoderCall& call : app.EncoderCalls()) run.launches += call.mode == "stream";
  return run;
}

void PrintGoal(const char* what, const std::string& figure, const std::string& goal, bool met) {
  std::printf("  %-58s %-44s %-20s %s\n", what, figure.c_str(), goal.c_str(), met ? kMet : kMissed);
}

std::string Format(const char* format, double a, double b = 0) {
  char text[96];
  std::snprintf(text, sizeof(text), format, a, b);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int liveSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const long long exeBytes = argc > 2 ? std::atoll(argv[2]) : -1;
  const std::string minimalExe = BuildFolder() + "\\minimal_dialog.exe";
  const std::string webhookFolder = WebhookReceiverFolder();

  std::printf("PushClient responsiveness benchmark. Goals: the window answers within %.0f ms at all times, and\n"
              "appears within x%.1f the time of a bare dialog with its controls and manifest.\n\n",
              kAnswerGoalMs, kLaunchRatioGoal);

  // ---- Launch to visible window, the three programs taking turns so that the machine's load falls on each
  std::printf("Launch to visible window (CreateProcess to IsWindowVisible, polled every 1 ms), median of %d runs\n"
              "taking turns, after one of each not counted:\n",
              kLaunchRuns);
  std::vector<double> minimal, withT0, withT;
  ProcessFigures minimalFigures;
  for (int i = 0; i <= kLaunchRuns; ++i) {
    {
      TimedLaunch launch(minimalExe, BuildFolder());
      if (i > 0) minimal.push_back(launch.MillisToVisible());
      if (i == 1) {
        Sleep(500);
        minimalFigures = ReadProcessFigures(launch.ProcessId());
      }
    }
    for (int delay : {0, kT}) {
      AppUnderTest::Options options = ListingOptions(Listing(2), delay);
      options.startNow = false;
      AppUnderTest app(options);
      TimedLaunch launch(app.PathOf("PushClient.exe"), app.Folder());
      if (i > 0) (delay ? withT : withT0).push_back(launch.MillisToVisible());
    }
  }
  const double minimalMs = Median(minimal);
  const double launchRatio = std::max(Median(withT0), Median(withT)) / minimalMs;
  std::printf("  %-44s %8.0f ms  (%3.0f-%3.0f)\n", "bare dialog", minimalMs, *std::min_element(minimal.begin(), minimal.end()),
              *std::max_element(minimal.begin(), minimal.end()));
  for (const auto* runs : {&withT0, &withT})
    std::printf("  %-44s %8.0f ms  (%3.0f-%3.0f)  x%.2f\n",
                runs == &withT0 ? "PushClient, listing child T = 0" : "PushClient, listing child T = 1000 ms", Median(*runs),
                *std::min_element(runs->begin(), runs->end()), *std::max_element(runs->begin(), runs->end()),
                Median(*runs) / minimalMs);
  std::printf("\n");
  std::fflush(stdout);

  // ---- Refresh duration and the window's answers meanwhile
  std::printf("Device refresh, listing printed in two halves T apart (click to button usable again), median of 3:\n");
  std::printf("  %-10s %7s %14s %18s %10s\n", "listing", "bytes", "refresh (ms)", "refresh T=0 (ms)", "added (ms)");
  std::vector<std::pair<std::string, Summary>> refreshStalls;
  // The small listing's refresh with T = 0 is the listing child's own start-up and exit.
  double childStartMs = 0;
  for (size_t devices : {2u, 480u}) {
    const std::string listing = Listing(devices);
    std::vector<double> refresh[2];
    for (int delay : {0, kT}) {
      for (int i = 0; i < 3; ++i) {
        AppUnderTest app(ListingOptions(listing, delay));
        ResponsivenessSampler sampler(app.Main());
        refresh[delay ? 1 : 0].push_back(TimedRefresh(app));
        const auto summary = sampler.Stop();
        if (delay && i == 0)
          refreshStalls.push_back({std::string("refresh, T = 1000 ms, ") + (devices == 2 ? "small" : "64 KiB") + " listing",
                                   summary});
      }
    }
    const double t0 = Median(refresh[0]), t = Median(refresh[1]);
    if (devices == 2) childStartMs = t0;
    // What PushClient adds on top of the listing's own duration (T plus the child's start-up). With T = 0
    // a large listing also takes the time to read it, which with T runs while the child waits.
    std::printf("  %-10s %7zu %14.0f %18.0f %10.0f\n", devices == 2 ? "small" : "64 KiB", listing.size(), t, t0, t - childStartMs - kT);
    std::fflush(stdout);
  }

  std::printf("\nWindow answers to WM_NULL sent every 10 ms (stall: an answer over %.0f ms; slow total: the answer\n"
              "times over %.0f ms added up):\n",
              ResponsivenessSampler::kStallMs, ResponsivenessSampler::kSlowMs);
  std::printf("  %-58s %7s %9s %10s %7s %11s %6s\n", "while", "answers", "median ms", "longest ms", "stalls",
              "slow total", "none");
  {
    TimedLaunch launch(minimalExe, BuildFolder());
    ResponsivenessSampler sampler(launch.Window());
    Sleep(10000);
    PrintStall("bare dialog, idle 10 s", sampler.Stop());
  }
  for (const auto& stall : refreshStalls) PrintStall(stall.first, stall.second);

  {
    AppUnderTest app;
    WriteFileBytes(app.PathOf("fake-ffmpeg.ini"), "list_hang=1\n");
    ResponsivenessSampler sampler(app.Main());
    const double ms = TimedRefresh(app);
    const auto summary = sampler.Stop();
    PrintStall(Format("refresh, hung listing (ended after %.1f s)", ms / 1000), summary);
  }

  // Live, without alerts and then with alerts going to the receiver.
  std::vector<std::pair<std::string, LiveFiguresRun>> liveRuns;
  liveRuns.push_back({"", MeasureLive("", liveSeconds)});
  if (!webhookFolder.empty()) {
    const WebhookListener listener(webhookFolder, "plain");
    liveRuns.push_back({", webhook", MeasureLive("[alert]\r\nwebhook=" + listener.Url("http", "/hook") + "\r\n", liveSeconds)});
  }
  // And with the recording beside the broadcast: a second encoder, its folder and its files.
  liveRuns.push_back({", recording", MeasureLive("[record]\r\nenabled=1\r\nsegment_minutes=1\r\n", liveSeconds)});
  double longestOnMs = 0, longestOffMs = 0;
  for (const auto& named : liveRuns) {
    const LiveFiguresRun& run = named.second;
    const std::string failed = run.ok ? "" : " (FAILED)";
    const Summary on = ResponsivenessSampler::Summarize(run.onMs), off = ResponsivenessSampler::Summarize(run.offMs);
    longestOnMs = std::max(longestOnMs, on.longestMs);
    longestOffMs = std::max(longestOffMs, off.longestMs);
    const std::string& with = named.first;
    const std::string cycles = std::to_string(kSwitchCycles) + " times";
    PrintStall("switching on" + with + ", " + cycles + " (click to +" + std::to_string(kSettleOnMs) + " ms)" + failed, on);
    PrintStall("switching off" + with + ", " + cycles + " (click to +" + std::to_string(kSettleOffMs) + " ms)" + failed, off);
    PrintStall("live " + std::to_string(liveSeconds) + " s" + with + ", encoder running, on and off" + failed, run.steady);
  }
  if (webhookFolder.empty()) std::printf("  (no webhook receiver: PUSHCLIENT_HTTPS_WEBHOOK is not set, the run with alerts is left out)\n");

  const RelaunchRun atOnce = MeasureRelaunches("stream=exit\n", liveSeconds);
  PrintStall("watchdog " + std::to_string(liveSeconds) + " s, encoder ends at once (" + std::to_string(atOnce.launches) +
                 " launches)",
             atOnce.answers);
  const RelaunchRun dropping = MeasureRelaunches("stream=exit_after\nstream_after_ms=3000\n", liveSeconds);
  PrintStall("watchdog " + std::to_string(liveSeconds) + " s, on air 3 s then ends (" + std::to_string(dropping.launches) +
                 " launches)",
             dropping.answers);

  std::printf("\nMemory and handles (GetProcessMemoryInfo; kernel handles from NtQuerySystemInformation; windows by\n"
              "EnumWindows + EnumChildWindows; GDI objects from the process's GDI handle table):\n");
  std::printf("  %-34s %12s %14s %9s %9s %9s\n", "", "working KiB", "private KiB", "handles", "windows", "GDI");
  PrintFigures("bare dialog", minimalFigures);
  for (const auto& named : liveRuns) {
    PrintFigures(("PushClient idle" + named.first).c_str(), named.second.idle);
    PrintFigures(("PushClient live" + named.first).c_str(), named.second.live);
  }

  // ---- The goals
  const double relaunchLongestMs = std::max(atOnce.answers.longestMs, dropping.answers.longestMs);
  const size_t relaunchStalls = atOnce.answers.stalls + dropping.answers.stalls;
  const double privateMiB = liveRuns[0].second.live.privateKiB / 1024.0;
  std::string privateFigure = Format("%.1f MiB", privateMiB);
  for (std::size_t i = 1; i < liveRuns.size(); ++i)
    privateFigure += " (" + liveRuns[i].first.substr(2) + Format(": %.1f)", liveRuns[i].second.live.privateKiB / 1024.0);
  std::printf("\nGoals:\n");
  std::printf("  %-58s %-44s %-20s\n", "", "figure", "goal");
  PrintGoal("longest answer while the watchdog relaunches (stalls)", Format("%.1f ms (%.0f)", relaunchLongestMs, static_cast<double>(relaunchStalls)),
            Format("< %.0f ms (0)", kAnswerGoalMs), relaunchLongestMs < kAnswerGoalMs && relaunchStalls == 0);
  PrintGoal("longest answer switching live on / off", Format("%.1f / %.1f ms", longestOnMs, longestOffMs),
            Format("< %.0f ms", kAnswerGoalMs), std::max(longestOnMs, longestOffMs) < kAnswerGoalMs);
  PrintGoal("launch to visible window, PushClient / bare dialog", Format("x%.2f", launchRatio),
            Format("<= x%.1f", kLaunchRatioGoal), launchRatio <= kLaunchRatioGoal);
  PrintGoal("private memory live, no webhook, no recording", privateFigure, Format("<= %.1f MiB", kPrivateGoalMiB),
            privateMiB > 0 && privateMiB <= kPrivateGoalMiB);
  if (exeBytes > 0)
    PrintGoal("stripped PushClient.exe", Format("%.0f bytes", static_cast<double>(exeBytes)),
              Format("<= %.0f bytes", static_cast<double>(kExeGoalBytes)), exeBytes <= kExeGoalBytes);
  return 0;
}
