#include "recording/RecordingSession.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "encoder/EncoderOutput.h"
#include "recording/RecordingCommandLine.h"
#include "recording/RecordingNames.h"
#include "res/Texts.h"
#include "streaming/ExitReason.h"
#include "text/AnsiText.h"
#include "text/AsciiText.h"

namespace {

// A wait result for "no child to wait on": the system's WAIT_FAILED.
constexpr unsigned long kWaitFailed = 0xFFFFFFFFul;
// After Stop, the encoder has kRecorderQuitMs to close its last file; a file another program holds open
// is left to the next Start after this many looks.
constexpr int kFinishLooks = 12;

RecordingEvent Said(RecordingEventKind kind, std::string line) { return {kind, std::move(line), {}, {}, {}}; }

std::string SanitizedTag(const std::string& tag) {
  std::string kept;
  for (char c : AsciiLower(tag))
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')) kept += c;
  return kept.empty() ? "0" : kept;
}

}  // namespace

std::vector<std::string> LogLinesOf(const RecordingEvents& events) {
  std::vector<std::string> lines;
  for (const RecordingEvent& event : events) {
    if (!event.line.empty()) lines.push_back(event.line);
    if (!event.reasonLine.empty()) lines.push_back(event.reasonLine);
  }
  return lines;
}

RecordingSession::RecordingSession(RecorderRunner& runner, RecordingDisk& disk,
                                   std::function<std::string(const std::string&)> toAnsi,
                                   const std::string& instanceTag)
    : m_runner(runner), m_disk(disk), m_toAnsi(std::move(toAnsi)), m_tag(SanitizedTag(instanceTag)) {}

RecordingEvents RecordingSession::Start(long long nowMs, const std::tm& local, const RecordSettings& settings,
                                        const RecordingChoice& choice) {
  RecordingEvents events{Said(RecordingEventKind::SwitchedOn, FillIn(kLogRecordOn, {settings.folder}))};
  m_settings = settings;
  m_on = true;
  m_finishLooks = 0;
  m_nRestartCount = 0;
  m_recordingThisRun = false;
  m_everRecording = false;
  m_down = false;
  m_space.Reset();
  m_now = LocalSecondsOf(local);
  m_lastLook.reset();
  if (settings.folder != m_retentionFolder) {
    m_retention.Restart();
    m_retentionFolder = settings.folder;
  }
  // No encoder of this session runs: whatever segments lie there are finished.
  if (LookAtFolder(false, events) == SpaceChange::Paused) {
    events.push_back(Said(RecordingEventKind::Paused, FillIn(kLogRecordPaused, {MinFreeMbText()})));
    return events;
  }
  Launch(nowMs, choice, events);
  return events;
}

RecordingEvents RecordingSession::Stop() {
  m_runner.Stop();
  m_on = false;
  m_finishLooks = kFinishLooks;
  return {Said(RecordingEventKind::SwitchedOff, kLogRecordOff)};
}

void RecordingSession::Abandon() {
  m_runner.Stop();
  m_on = false;
  m_finishLooks = 0;
}

void RecordingSession::Launch(long long nowMs, const RecordingChoice& choice, RecordingEvents& events) {
  m_recordingThisRun = false;
  m_stall.Reset(nowMs);
  // Said once per attempt, as a launch that fails: the schedule tries again (a drive plugged in later).
  if (!m_disk.MakeFolder(m_settings.folder)) {
    m_down = true;
    events.push_back(Said(RecordingEventKind::Failed, FillIn(kLogRecordFolderFailed, {m_settings.folder})));
    return;
  }
  m_run = NewRun(m_disk.ListFiles(m_settings.folder));
  m_runStart = m_now;
  m_runner.Launch(BuildRecordArgs(choice.device, choice.bitrateText, choice.aacEncoder,
                                  m_settings.segmentMinutes * 60, SegmentPattern(m_settings.folder, m_run)));
  NoteLaunchResult(events);
}

// No file in the folder begins as this run's segments will: the encoder writes over whatever has its
// segment's name.
std::string RecordingSession::NewRun(const std::vector<FolderEntry>& files) {
  for (;;) {
    const std::string run = m_tag + "-" + std::to_string(++m_runSerial);
    const std::string begins = std::string(kSegmentPrefix) + run + "_";
    const bool used = std::any_of(files.begin(), files.end(), [&](const FolderEntry& file) {
      return StartsWith(AsciiLower(file.name), begins.c_str());
    });
    if (!used) return run;
  }
}

void RecordingSession::NoteLaunchResult(RecordingEvents& events) {
  const std::optional<bool> started = m_runner.TakeLaunchResult();
  if (!started || *started) return;
  m_down = true;
  events.push_back(Said(RecordingEventKind::Failed, kLogRecordLaunchFailed));
}

void RecordingSession::NoteProgress(const std::string& outputTail, RecordingEvents& events) {
  if (m_recordingThisRun) return;
  const std::optional<long long> streamMs = LatestProgress(outputTail).timeMs;
  if (!streamMs || *streamMs <= 0) return;
  m_recordingThisRun = true;
  m_nRestartCount = 0;
  // The latest progress line came a moment before this look: its stream time, back from now, is when the
  // audio began, to within that moment.
  const LocalSeconds began = m_now - (*streamMs + 500) / 1000;
  if (began > m_runStart) {
    m_runStart = began;
    for (auto& [key, opened] : m_opened) {
      const std::optional<SegmentFile> segment = ParseSegmentName(key);
      if (segment && AsciiLower(segment->run) == AsciiLower(m_run) && segment->index == 0) opened = began;
    }
  }
  if (m_down)
    events.push_back(Said(RecordingEventKind::Back, kLogRecordBack));
  else if (!m_everRecording)
    events.push_back(Said(RecordingEventKind::Recording, ""));
  m_everRecording = true;
  m_down = false;
}

RecordingEvents RecordingSession::Tick(long long nowMs, const std::tm& local, const RecordingChoice& choice) {
  RecordingEvents events;
  m_now = LocalSecondsOf(local);
  if (!m_on) {
    if (m_finishLooks > 0) {
      --m_finishLooks;
      if (FinishSegments(m_disk.ListFiles(m_settings.folder), false, events) == 0) m_finishLooks = 0;
    }
    return events;
  }
  if (m_space.Paused()) {
    if (LookAtFolder(false, events) == SpaceChange::Resumed) {
      events.push_back(Said(RecordingEventKind::Resumed, kLogRecordResumed));
      m_nRestartCount = 0;
      Launch(nowMs, choice, events);
    }
    return events;
  }
  NoteLaunchResult(events);
  unsigned long waitResult = kWaitFailed;
  const bool hasChild = m_runner.HasChild();
  WaitOutcome waited = hasChild ? m_runner.Poll(waitResult) : WaitOutcome::Failed;
  std::string tail;
  const bool said = hasChild && m_runner.ReadOutputTail(tail);
  if (said) NoteProgress(tail, events);
  bool stalled = false;
  if (waited == WaitOutcome::Running) {
    stalled = m_stall.Tick(nowMs, said, LatestProgress(tail).timeMs);
    if (stalled) {
      m_runner.Stop();
      waited = WaitOutcome::Ended;
    }
  }
  if (LookAtFolder(waited == WaitOutcome::Running, events) == SpaceChange::Paused) {
    events.push_back(Said(RecordingEventKind::Paused, FillIn(kLogRecordPaused, {MinFreeMbText()})));
    m_runner.Stop();
    m_down = false;  // a pause is said as such, and its end too
    return events;
  }
  // Running but not recording yet: starting.
  if (waited == WaitOutcome::Running && !m_recordingThisRun) return events;
  switch (WatchdogTick(WatchdogOutcome(hasChild, waited), m_nRestartCount)) {
    case WatchdogAction::None:
    case WatchdogAction::LogOnAir:  // said at the encoder's first progress
      break;
    case WatchdogAction::Relaunch:
      events.push_back(EncoderEnded(hasChild, stalled, tail));
      m_down = true;
      m_runner.Stop();
      Launch(nowMs, choice, events);
      break;
    case WatchdogAction::LogCallFailed:
      events.push_back(Said(RecordingEventKind::Note, std::string(kLogRecordPrefix) + kLogCallFailed));
      break;
    case WatchdogAction::LogWaitError:
      events.push_back(Said(RecordingEventKind::Note, kLogRecordPrefix + FormatWaitError(waitResult)));
      break;
  }
  return events;
}

// The relaunch line, and why the encoder ended: its own last words, or that it stood still. Without a
// child the last launch failed, which was said then.
RecordingEvent RecordingSession::EncoderEnded(bool hadChild, bool stalled, const std::string& outputTail) const {
  RecordingEvent event = Said(RecordingEventKind::Note, kLogRecordRelaunch);
  if (!hadChild) return event;
  event.kind = RecordingEventKind::Failed;
  if (stalled) {
    event.reasonLine = FillIn(kLogRecordStalled, {std::to_string(kStallTimeoutMs / 1000)});
  } else {
    event.reasonUtf8 = EncoderExitReason(outputTail);
    const std::string shown = event.reasonUtf8.empty() ? std::string() : m_toAnsi(event.reasonUtf8);
    if (!shown.empty()) event.reasonLine = kLogRecordExitReason + shown;
  }
  return event;
}

SpaceChange RecordingSession::LookAtFolder(bool encoderRuns, RecordingEvents& events) {
  const std::vector<FolderEntry> files = m_disk.ListFiles(m_settings.folder);
  const std::size_t before = events.size();
  FinishSegments(files, encoderRuns, events);
  const CalendarDay today = DayOfLocalSeconds(m_now);
  std::vector<std::string> names;
  std::vector<FileSize> sizes;
  for (const FolderEntry& file : files) {
    names.push_back(file.name);
    sizes.push_back({file.name, file.bytes});
  }
  // The files just named are recordings too: the newest may be among them.
  for (std::size_t i = before; i < events.size(); ++i)
    if (events[i].kind == RecordingEventKind::FileSaved) names.push_back(events[i].file);
  int expired = 0;
  // A file that cannot be deleted now is tried again the next day.
  for (const std::string& name : m_retention.Look(names, today, m_settings.keepDays))
    if (m_disk.Remove(PathOf(name))) ++expired;
  if (expired > 0)
    events.push_back(Said(RecordingEventKind::Note, FillIn(kLogRecordExpired, {std::to_string(expired),
                                                                               std::to_string(m_settings.keepDays)})));
  const std::optional<unsigned long long> freeBytes = m_disk.FreeBytes(m_settings.folder);
  if (!freeBytes) return SpaceChange::None;
  const SpaceDecision decision = m_space.Check(*freeBytes, m_settings.minFreeMb, sizes, today);
  for (const std::string& name : decision.remove)
    if (m_disk.Remove(PathOf(name)))
      events.push_back(Said(RecordingEventKind::Note, FillIn(kLogRecordSpaceFreed, {MinFreeMbText(), name})));
  return decision.change;
}

int RecordingSession::FinishSegments(const std::vector<FolderEntry>& files, bool encoderRuns,
                                     RecordingEvents& events) {
  struct Segment {
    SegmentFile file;
    const FolderEntry* entry;
  };
  std::vector<Segment> segments;
  std::map<std::string, LocalSeconds> runBegan;  // the earliest opened of each run: runs are named in turn
  int newestOfRunning = -1;
  std::set<std::string> taken;
  for (const FolderEntry& entry : files) {
    taken.insert(AsciiLower(entry.name));
    const std::optional<SegmentFile> segment = ParseSegmentName(entry.name);
    if (!segment) continue;
    segments.push_back({*segment, &entry});
    NoteOpened(*segment, entry);
    const LocalSeconds opened = m_opened.at(AsciiLower(entry.name));
    const auto began = runBegan.find(segment->run);
    if (began == runBegan.end() || opened < began->second) runBegan[segment->run] = opened;
    if (encoderRuns && segment->run == m_run) newestOfRunning = std::max(newestOfRunning, segment->index);
  }
  m_lastLook = m_now;
  // Within a run the numbers are the order of the audio, whatever the clock said when each was made.
  std::sort(segments.begin(), segments.end(), [&](const Segment& a, const Segment& b) {
    return std::tie(runBegan.at(a.file.run), a.file.run, a.file.index) <
           std::tie(runBegan.at(b.file.run), b.file.run, b.file.index);
  });
  int left = 0;
  for (const Segment& segment : segments) {
    if (encoderRuns && segment.file.run == m_run && segment.file.index == newestOfRunning) continue;
    const std::string from = PathOf(segment.entry->name);
    const std::string key = AsciiLower(segment.entry->name);
    // A segment the encoder closed without a packet in it (it failed at once) holds no recording.
    if (segment.entry->bytes == 0) {
      if (m_disk.Remove(from))
        m_opened.erase(key);
      else
        ++left;
      continue;
    }
    const LocalSeconds start = SegmentStart(segment.file.index, m_opened[key], m_settings.segmentMinutes * 60);
    const std::string name = FreeRecordingName(start, taken);
    if (!m_disk.Rename(from, PathOf(name))) {
      ++left;
      continue;
    }
    m_opened.erase(key);
    taken.insert(AsciiLower(name));
    m_retention.Written(name);
    RecordingEvent saved = Said(RecordingEventKind::FileSaved, FillIn(kLogRecordSaved, {name}));
    saved.file = name;
    events.push_back(std::move(saved));
  }
  return left;
}

// When a segment's file was opened, as first seen: the first of this session's run when the run began;
// another made between the look before and this one when its creation time says (a file system that tells
// the last change as the creation time, as some do, tells a time after this look), or else at this look
// (the clock was set back in between); one that was there before any look, as its creation time says.
void RecordingSession::NoteOpened(const SegmentFile& segment, const FolderEntry& entry) {
  const std::string key = AsciiLower(entry.name);
  if (m_opened.count(key)) return;
  LocalSeconds opened = entry.made;
  if (segment.run == m_run && segment.index == 0)
    opened = m_runStart;
  else if (m_lastLook && !(*m_lastLook <= entry.made && entry.made <= m_now))
    opened = m_now;
  m_opened[key] = opened;
}

RecordingState RecordingSession::State() const {
  if (!m_on) return RecordingState::Off;
  if (m_space.Paused()) return RecordingState::Paused;
  if (m_recordingThisRun) return RecordingState::Recording;
  return m_down ? RecordingState::Down : RecordingState::Starting;
}
