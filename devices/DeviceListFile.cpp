#include "devices/DeviceListFile.h"

#include "settings/FileBytes.h"
#include "settings/TextMode.h"

const char kDeviceFileName[] = "device.txt";

bool ReadDeviceListFile(const std::vector<std::string>& current, DeviceListParse& parsed) {
  std::string bytes;
  if (!ReadFileBytes(kDeviceFileName, bytes)) return false;
  parsed = ParseDeviceListing(FromTextModeBytes(bytes), current);
  return true;
}
