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

std::string FormatLiveStatus(bool onAir, long long uptimeMs, std::optional<double> kbitPerSecond, int relaunches) {
  if (!onAir) return kStatusOffAir;
  std::string rate = "--";
  if (kbitPerSecond && std::isfinite(*kbitPerSecond) && *kbitPerSecond >= 0 && *kbitPerSecond < 1e12) {
    rate = std::to_string(std::llround(*kbitPerSecond));
  }
  return std::string(kStatusOnAir) + " " + FormatUptime(uptimeMs) + " | " + rate + " kbit/s | " + kStatusRelaunches +
         " " + std::to_string(relaunches) + " " + kStatusTimes;
}
