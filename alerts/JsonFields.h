#pragma once
// The top-level fields of a JSON object: all a robot's answer needs read ({"errcode":310000,"errmsg":…}).
// The text comes from a server that may answer anything, so the reader takes any bytes: it never reads
// past the end, never recurses, and stops at the first byte that does not fit, keeping what it read before.
#include <map>
#include <string>
#include <string_view>

struct JsonValue {
  bool isString = false;
  // A string: its escapes undone (\uXXXX as UTF-8, a lone surrogate as U+FFFD), other bytes as they
  // came. A number: as written, ASCII.
  std::string text;
};

// A number longer than this is taken for garbage: no robot's code is.
constexpr std::size_t kJsonLongestNumber = 32;

// The fields of the object that hold a string or a number, by name (the first of a name counts); objects,
// arrays, true, false and null are passed over. Empty when the text is not an object.
std::map<std::string, JsonValue> ReadJsonFields(std::string_view json);
