#include "devices/DeviceListFile.h"

#include "text/FileBytes.h"
#include "text/TextMode.h"

bool ReadDeviceListFile(const std::string& path, const std::vector<std::string>& current, DeviceListParse& parsed) {
  std::string bytes;
  if (!ReadFileBytes(path.c_str(), bytes)) return false;
  parsed = ParseDeviceListing(FromTextModeBytes(bytes), current);
  return true;
}
