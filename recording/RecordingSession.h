#pragma once
// The recording beside the broadcast, from the moment the broadcast is switched on with the recording
// enabled until it is switched off: an encoder of its own, apart from the broadcast's, that records the
// same device into files cut at the clock (RecordingCommandLine.h), relaunched on the broadcast's schedule
// (WatchdogTick) and ended when its progress stands still (StallDetector); each finished file named by the
// time its audio starts, never over another file (RecordingNames.h); old recordings deleted
// (RecordingRetention.h) and the drive's free space kept above a floor (SpaceFloor.h). Like LiveSession it
// knows no clock and no disk of its own: the time comes with each call, the encoder through
// RecorderRunner and the folder through RecordingDisk, so a whole day of files runs in a native test.
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "log/Calendar.h"
#include "recording/RecordingNames.h"
#include "recording/RecordingRetention.h"
#include "recording/SpaceFloor.h"
#include "settings/RecordSettings.h"
#include "streaming/StallDetector.h"
#include "streaming/Watchdog.h"

// How long the recording's encoder has to finish its file after 'q' before it is ended.
constexpr long long kRecorderQuitMs = 3000;

// What a recording needs of the system: one encoder at a time.
class RecorderRunner {
 public:
  virtual ~RecorderRunner() = default;
  // Starts the encoder with this argument string, its output read as it comes. The start may finish
  // after this has returned: until then the encoder counts as running, and TakeLaunchResult tells how it
  // went.
  virtual void Launch(const std::string& arguments) = 0;
  // Whether the latest launch started the encoder, once, as soon as it is known.
  virtual std::optional<bool> TakeLaunchResult() = 0;
  // Asks the encoder to finish ('q' on its standard input: it closes its file as it should), ends it if it
  // still runs kRecorderQuitMs later, and forgets it. The caller does not wait for any of it.
  virtual void Stop() = 0;
  virtual bool HasChild() const = 0;
  // Whether the encoder has ended, without waiting; rawResult is the system's own answer.
  virtual WaitOutcome Poll(unsigned long& rawResult) = 0;
  // What the running (or last) encoder said (UTF-8): its latest progress line and the newest part of its
  // output. False when its output is not being read.
  virtual bool ReadOutputTail(std::string& text) = 0;
};

// A file in the recordings' folder.
struct FolderEntry {
  std::string name;
  unsigned long long bytes = 0;
  // The local time it was created, as the file system tells it: when the encoder opened a segment, on NTFS.
  // Trusted only for a segment the session did not see being made (RecordingSession::NoteOpened).
  LocalSeconds made = 0;
};

// What a recording needs of the disk. Paths are the folder, '\', a name.
class RecordingDisk {
 public:
  virtual ~RecordingDisk() = default;
  // Makes the folder (and those above it) when missing; true when it is there afterwards.
  virtual bool MakeFolder(const std::string& folder) = 0;
  // The files in the folder, folders left out; none when it cannot be read.
  virtual std::vector<FolderEntry> ListFiles(const std::string& folder) = 0;
  // Never over another file: false when to exists, or from cannot be moved (the encoder still holds it).
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // The bytes this user may still write on the folder's drive; empty when the system cannot tell.
  virtual std::optional<unsigned long long> FreeBytes(const std::string& folder) = 0;
};

enum class RecordingEventKind {
  Note,         // a line for the log alone
  SwitchedOn,
  Recording,    // the first progress since switching on
  Back,         // the first progress after a failure
  FileSaved,    // a finished file got its name
  Failed,       // the encoder could not be started or its folder made, or it ended or stood still, and is
                // relaunched on the schedule
  Paused,       // too little space on the drive, and no old recording left to delete
  Resumed,
  SwitchedOff,
};

struct RecordingEvent {
  RecordingEventKind kind = RecordingEventKind::Note;
  std::string line;  // for the log (code page 936); empty when there is nothing to log
  // Failed: why, for the log (a line of its own after line) and, where the encoder's own words are the
  // reason, those words as it wrote them (UTF-8).
  std::string reasonLine;
  std::string reasonUtf8;
  std::string file;  // FileSaved: the file's name in the folder
};
using RecordingEvents = std::vector<RecordingEvent>;

// The log's lines of these events, in order.
std::vector<std::string> LogLinesOf(const RecordingEvents& events);

// What is recorded, as chosen at each launch: the broadcast's device, bitrate and AAC encoder.
struct RecordingChoice {
  std::string device;
  std::string bitrateText;
  std::string aacEncoder;
};

enum class RecordingState { Off, Starting, Recording, Down, Paused };

class RecordingSession {
 public:
  // toAnsi turns the encoder's UTF-8 words into the log's code page. instanceTag tells this copy of the
  // program from another one recording into the same folder (its process id): it goes into the segments'
  // names (its ASCII letters and digits, in lower case).
  RecordingSession(RecorderRunner& runner, RecordingDisk& disk, std::function<std::string(const std::string&)> toAnsi,
                   const std::string& instanceTag);

  // Switches the recording on: segments an earlier run left are named, old recordings deleted, the free
  // space looked at, and the encoder launched unless the space is short. settings.folder is the full path
  // (RecordFolderPath); the settings hold until Stop.
  RecordingEvents Start(long long nowMs, const std::tm& local, const RecordSettings& settings,
                        const RecordingChoice& choice);
  // Switches it off, asking the encoder to finish. Its last file is named by the ticks that follow.
  RecordingEvents Stop();
  // Ends the encoder without a word: the window is closing. Its last file is named at the next Start.
  void Abandon();

  // Every kWatchdogPeriodMs while on, and after Stop while Finishing(): the watchdog's look at the
  // encoder, the finished files named, old ones deleted on a new date, the free space looked at.
  RecordingEvents Tick(long long nowMs, const std::tm& local, const RecordingChoice& choice);

  bool IsOn() const { return m_on; }
  // Off, with the last files still to be named.
  bool Finishing() const { return !m_on && m_finishLooks > 0; }
  RecordingState State() const;

 private:
  void Launch(long long nowMs, const RecordingChoice& choice, RecordingEvents& events);
  void NoteLaunchResult(RecordingEvents& events);
  void NoteProgress(const std::string& outputTail, RecordingEvents& events);
  RecordingEvent EncoderEnded(bool hadChild, bool stalled, const std::string& outputTail) const;
  // The folder's files: finished segments named, old recordings deleted, the free space kept. What the
  // space asks of the encoder is left to the caller.
  SpaceChange LookAtFolder(bool encoderRuns, RecordingEvents& events);
  // Names every segment but the one the running encoder writes; returns how many are left to name.
  int FinishSegments(const std::vector<FolderEntry>& files, bool encoderRuns, RecordingEvents& events);
  void NoteOpened(const SegmentFile& segment, const FolderEntry& entry);
  std::string NewRun(const std::vector<FolderEntry>& files);
  std::string PathOf(const std::string& name) const { return m_settings.folder + "\\" + name; }
  std::string MinFreeMbText() const { return std::to_string(m_settings.minFreeMb); }

  RecorderRunner& m_runner;
  RecordingDisk& m_disk;
  std::function<std::string(const std::string&)> m_toAnsi;
  std::string m_tag;
  RecordSettings m_settings;
  bool m_on = false;
  int m_finishLooks = 0;   // ticks after Stop that still look for files to name
  LocalSeconds m_now = 0;  // the local time of the call
  std::string m_run;       // the latest launch's
  // When the latest launch was made, and, from its first progress, when its audio began: the encoder takes
  // a moment to open the device, and the first file is named by its first sound.
  LocalSeconds m_runStart = 0;
  std::optional<LocalSeconds> m_lastLook;       // at the folder, since switching on
  std::map<std::string, LocalSeconds> m_opened;  // each segment's, by its name in lower case
  int m_runSerial = 0;
  int m_nRestartCount = 0;  // consecutive ticks that found the encoder ended (WatchdogTick)
  bool m_recordingThisRun = false;
  bool m_everRecording = false;
  bool m_down = false;  // a failure since the last progress
  StallDetector m_stall;
  std::string m_retentionFolder;
  RecordingRetention m_retention;
  SpaceFloor m_space;
};
