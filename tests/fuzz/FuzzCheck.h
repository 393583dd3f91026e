#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

// A broken property stops the run with its line, and libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : (std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition), std::abort()))

inline std::string InputBytes(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Two values from one input: split at the first 0xFF byte (in code page 936 neither a lead nor a second
// byte, so the values still reach every character case). Without one, the second value is empty.
inline std::pair<std::string, std::string> SplitInTwo(const std::string& input) {
  const std::size_t separator = input.find('\xFF');
  if (separator == std::string::npos) return {input, std::string()};
  return {input.substr(0, separator), input.substr(separator + 1)};
}
