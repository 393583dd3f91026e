#pragma once
// device.txt, the encoder's last device listing as the program keeps it, read back for the device box.
#include <string>
#include <vector>

#include "devices/DeviceListParser.h"

// Reads the device list file (device.txt) as a text-mode stream reads it. False when the file could not
// be read.
bool ReadDeviceListFile(const std::string& path, std::string& fileText);

// Which lines of fileText, read back from device.txt, lost characters on their way to the ANSI code page,
// as the listing that wrote the file judged the lines of its own text (writtenText, before the text-mode
// line ends: writtenLossy). That judgement holds for that very text alone: when the file holds anything
// else (another copy of the program in the same folder rewrote it meanwhile) no line is known as lossy,
// rather than the lines of another text.
std::vector<bool> LossyLinesOfFile(const std::string& fileText, const std::string& writtenText,
                                   const std::vector<bool>& writtenLossy);
