// Prints how long the device listing parser takes on listings built to make a careless parser slow.
// Not a test: figures vary with the machine; the goal is well under a second for each.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "devices/DeviceListParser.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

std::string Repeat(const std::string& piece, std::size_t bytes) {
  std::string text;
  text.reserve(bytes + piece.size());
  while (text.size() + piece.size() <= bytes) text += piece;
  return text;
}

std::string ManyDevices(int count) {
  std::string text = "ffmpeg version 6.1.1 Copyright (c) 2000-2023 the FFmpeg developers\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    text += "[dshow @ 000001f5a3b4c5d0] \"Microphone " + n + " (USB Audio)\" (audio)\r\n";
    text += "[dshow @ 000001f5a3b4c5d0]   Alternative name \"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{" +
            n + "}\"\r\n";
  }
  return text + "dummy: Immediate exit requested\r\n";
}

void Measure(const char* what, const std::string& listing) {
  // Best of three, to leave out a cold start.
  double best = 1e9;
  std::size_t devices = 0;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const DeviceListParse parse = ParseDeviceListing(listing, {});
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (took.count() < best) best = took.count();
    devices = parse.devices.size();
  }
  std::printf("%-40s %9zu bytes %6zu devices %9.1f ms\n", what, listing.size(), devices, best);
}

}  // namespace

int main() {
  std::printf("Device listing parser, best of 3 runs (goal: well under 1000 ms each)\n");
  Measure("1 MiB line of back-to-back [] tags", Repeat("[]", kMiB) + "\r\n");
  Measure("1 MiB line of \"[dshow @ \" repeats", Repeat("[dshow @ ", kMiB) + "\r\n");
  Measure("1 MiB line of \"[dshow @ ]\" tags", Repeat("[dshow @ ]", kMiB) + " \"Mic\" (audio)\r\n");
  Measure("10000 devices, newer listing", ManyDevices(10000));
  return 0;
}
