#pragma once
// device.txt, the encoder's last device listing as the program keeps it, read back for the device box.
#include <string>
#include <vector>

#include "devices/DeviceListParser.h"

extern const char kDeviceFileName[];  // "device.txt", in the current folder

// Reads device.txt as a text-mode stream reads it and parses it, starting from the current devices.
// False when the file could not be read.
bool ReadDeviceListFile(const std::vector<std::string>& current, DeviceListParse& parsed);
