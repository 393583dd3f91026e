#include "app/LiveStatusText.h"

#include <cmath>

#include "res/Texts.h"

namespace {

std::string TwoDigits(long long value) {
  return std::string(1, static_cast<char>('0' + value / 10)) + static_cast<char>('0' + value % 10);
}

}  // namespace

std::string FormatUptime(long long ms) {
  const long long seconds = ms > 0 ? ms / 1000 : 0;
  return std::to_string(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" + TwoDigits(seconds % 60);
}

namespace {

// The broadcast's part.
std::string BroadcastStatus(const LiveFigures& figures) {
  std::string rate = "--";
  const std::optional<double>& kbps = figures.kbitPerSecond;
  if (kbps && std::isfinite(*kbps) && *kbps >= 0 && *kbps < 1e12) rate = std::to_string(std::llround(*kbps));
  const std::string relaunches =
      std::string(" | ") + kStatusRelaunches + " " + std::to_string(figures.relaunches) + " " + kStatusTimes;
  // Not on air until data goes out.
  if (figures.connecting) return kStatusConnecting + relaunches;
  std::string text = std::string(kStatusOnAir) + " " + FormatUptime(figures.uptimeMs);
  if (figures.silent) text += std::string(" | ") + kStatusSilence;
  // An encoder that is down sends nothing: the countdown takes the bitrate's place, so the line still fits.
  if (!figures.retryInMs) text += " | " + rate + " kbit/s";
  text += relaunches;
  // Whole seconds, rounded up: the attempt comes at the tick the count reaches 0.
  if (figures.retryInMs) text += " | " + std::to_string((*figures.retryInMs + 999) / 1000) + " " + kStatusRetryIn;
  return text;
}

std::string RecordingPart(RecordingState recording) {
  switch (recording) {
    case RecordingState::Recording: return std::string(" | ") + kStatusRecording;
    case RecordingState::Paused: return std::string(" | ") + kStatusRecordingPaused;
    default: return std::string();
  }
}

}  // namespace

std::string FormatLiveStatus(bool onAir, const LiveFigures& figures, RecordingState recording) {
  if (!onAir) return kStatusOffAir;
  return BroadcastStatus(figures) + RecordingPart(recording);
}

std::string FormatTrayTip(bool switchedOn, const LiveFigures& figures, RecordingState recording) {
  const bool onAir = switchedOn && !figures.connecting && !figures.retryInMs && figures.uptimeMs > 0;
  std::string tip = std::string(kTrayTip) + "\n" +
                    (onAir ? kTrayTipOnAir : switchedOn ? kTrayTipNotOnAir : kTrayTipOffAir);
  if (recording == RecordingState::Recording) tip += std::string(" | ") + kTrayTipRecording;
  return tip;
}

