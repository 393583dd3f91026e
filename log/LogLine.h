#pragma once
#include <ctime>
#include <string>

// One line of the activity log: "yyyy-mm-dd hh:mm:ss message" in local time. With no time (the
// conversion failed) the date reads 0-00-00 and the clock -1:-1:-1, which sorts before every dated line.
// The message is data, never a format: a "%" in it is shown as it is.
std::string FormatLogLine(const std::tm* localTime, const std::string& message);
