#include "alerts/RetryAfter.h"

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::optional<long long> RetryAfterSeconds(const std::string& value) {
  std::size_t begin = 0;
  std::size_t end = value.size();
  while (begin < end && IsBlank(value[begin])) ++begin;
  while (end > begin && IsBlank(value[end - 1])) --end;
  if (begin == end) return std::nullopt;
  long long seconds = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if (!IsDigit(value[i])) return std::nullopt;
    if (seconds < kRetryAfterMaxSeconds) seconds = seconds * 10 + (value[i] - '0');
  }
  return seconds < kRetryAfterMaxSeconds ? seconds : kRetryAfterMaxSeconds;
}
