#pragma once
#include <string>

#include "res/Texts.h"
#include "text/AnsiText.h"

// How long a device listing may take before its child is ended and the list is left as it was.
constexpr long long kListingTimeoutMs = 15000;

inline std::string ListingTimedOutText() { return FillIn(kListingTimedOut, {std::to_string(kListingTimeoutMs / 1000)}); }
