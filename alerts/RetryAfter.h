#pragma once
// The Retry-After header of a webhook's answer: how long a chat that is rate-limiting asks to be left alone.
#include <optional>
#include <string>

// A longer pause than this is read as this much: no answer can make the queue's arithmetic overflow.
constexpr long long kRetryAfterMaxSeconds = 1000000000;

// The seconds the header's value gives (its delay-seconds form: digits only, blanks around them allowed);
// empty for anything else, its HTTP-date form included, which would need the server's clock to agree with
// ours.
std::optional<long long> RetryAfterSeconds(const std::string& value);
