#include "devices/DeviceListFile.h"

#include "text/FileBytes.h"
#include "text/TextMode.h"

bool ReadDeviceListFile(const std::string& path, std::string& fileText) {
  std::string bytes;
  if (!ReadFileBytes(path.c_str(), bytes)) return false;
  fileText = FromTextModeBytes(bytes);
  return true;
}

std::vector<bool> LossyLinesOfFile(const std::string& fileText, const std::string& writtenText,
                                   const std::vector<bool>& writtenLossy) {
  // Compared as a text-mode read gives them: the bytes written for writtenText read back as this.
  if (fileText != FromTextModeBytes(ToTextModeBytes(writtenText))) return {};
  return writtenLossy;
}
