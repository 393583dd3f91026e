#pragma once
// device.txt, the encoder's last device listing as the program keeps it, read back for the device box.
#include <string>
#include <vector>

#include "devices/DeviceListParser.h"

// Reads the device list file (device.txt) as a text-mode stream reads it and parses it, starting from the current devices.
// False when the file could not be read.
bool ReadDeviceListFile(const std::string& path, const std::vector<std::string>& current, DeviceListParse& parsed);
