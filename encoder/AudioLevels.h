#pragma once
#include <optional>
#include <string>

// The level meter. The streaming encoder measures the audio it publishes in a branch of its filter
// graph that leads nowhere, so the audio it encodes is the very audio it would encode without the
// meter, and prints the peak of every window to its log, which is the status file:
//   -filter_complex [0:a]asplit=2[enc][lvl];[lvl]asetnsamples=n=22050:p=0,astats@level=metadata=1:reset=1,
//                   ametadata@level=mode=print:key=lavfi.astats.Overall.Peak_level,anullsink -map [enc]
// (one argument, without the line break). Every window prints two lines at the default log level:
//   [ametadata@level @ 000001d7c2a3e4c0] frame:2    pts:44100   pts_time:1
//   [ametadata@level @ 000001d7c2a3e4c0] lavfi.astats.Overall.Peak_level=-20.000000
// each ended by '\n'; a progress line ("size=… time=… bitrate=…\r") may stand right before the first.
// ametadata's own file= output is not used: ffmpeg 4.1 buffers it in blocks, so readings would come
// late and in bursts. The filters are named (@level) so that their lines are known by name rather than
// by the number ffmpeg would give them.
// A window of 22050 samples is half a second at 44.1 kHz and 0.46 s at 48 kHz: at least two readings a
// second, no more lines than that asks for. The two lines take about 160 bytes, so the meter adds about
// 28 MB a day to the encoder's output at 44.1 kHz and 30 MB at 48 kHz (the status file keeps its newest
// part). When the encoder ends, astats prints
// a report of the last window ("[astats@level @ …] Peak level dB: …", some 40 lines).

// The arguments that add the meter, placed after the input (BuildStreamArgs does so).
extern const char kLevelMeterGraph[];   // the filter graph above
extern const char kLevelMeterOutput[];  // "[enc]": the graph's output the encoder encodes

// A peak of digital silence ("-inf"), and the lowest peak reported.
constexpr double kSilenceFloorDb = -120.0;

// True for a line the meter's filters printed (a reading or the closing report): the instance names
// "astats@level" and "ametadata@level" mark them.
bool IsLevelMeterLine(const std::string& line);

// True for a line that holds a peak reading, whatever the filter that printed it is called: the line
// LatestPeakLevel reads.
bool IsPeakLevelLine(const std::string& line);

// The peak level, in dBFS, of the latest reading in the encoder's output (UTF-8, lines ended by '\n' or
// '\r'), searched from the end. Only lines with their line end count: the encoder may be writing the
// last one. "-inf" (digital silence) and any peak below the floor give kSilenceFloorDb. No value when
// there is no reading, or the latest one is no finite level ("nan" from samples that are not numbers,
// "inf"; "-1.#INF00" and "1.#QNAN0" as older Windows C runtimes write them are read as -inf and nan).
std::optional<double> LatestPeakLevel(const std::string& output);

// True when the encoder cannot run the meter, so that the program streams without it (and logs
// kLogLevelMeterOff once):
// - a configuration line (EncoderConfiguration.h) whose options, read from left to right, leave the
//   filter library or one of the meter's filters off: --disable-avfilter, --disable-filters,
//   --disable-everything, --disable-filter=astats (or a comma list), unless enabled again later
//   (--enable-avfilter, --enable-filters, --enable-filter=astats,…). Name patterns (a*) are not read: such
//   a build is caught by the next rule;
// - the encoder's words when it refused the graph at start: "No such filter: '…'", "Error initializing
//   filter '…'", "Error initializing complex filters.", "Error configuring filter graph" (or
//   "…filters"). "Error reinitializing filters!" is not one of them: a capture device that changes its
//   format while live says it too.
// The text may be a device listing (its banner), the output of a streaming run, or both.
bool LevelMeterUnavailable(const std::string& encoderText);
