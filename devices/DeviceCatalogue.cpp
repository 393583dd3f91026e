#include "devices/DeviceCatalogue.h"

#include "devices/DeviceListFile.h"

void DeviceCatalogue::LearnListing(std::string writtenText, std::vector<bool> lossyLines) {
  m_listingText = std::move(writtenText);
  m_listingLossyLines = std::move(lossyLines);
}

std::vector<std::string> DeviceCatalogue::ReadListing(const std::string& fileText, bool& refill) {
  DeviceListParse parsed = ParseDeviceListing(fileText, m_arrDevices);
  refill = parsed.fillCombo;
  // A shown name that lost characters on its way to the ANSI code page names no device: the encoder
  // gets the device's alternative name instead. What the listing knows of its lines holds only if
  // device.txt still holds its text.
  if (parsed.fillCombo)
    m_captureNames = CaptureNames(parsed, LossyLinesOfFile(fileText, m_listingText, m_listingLossyLines));
  m_arrDevices = std::move(parsed.devices);
  return std::move(parsed.logLines);
}

std::string DeviceCatalogue::CaptureName(const std::string& shownName) const {
  const auto found = m_captureNames.find(shownName);
  return found != m_captureNames.end() ? found->second : shownName;
}

DeviceSelection SelectDevice(const std::vector<std::string>& shownNames, const std::string& savedName,
                             int savedPosition) {
  DeviceSelection selection;
  if (!savedName.empty()) {
    for (std::size_t i = 0; i < shownNames.size(); ++i) {
      if (shownNames[i] == savedName) {
        selection.position = static_cast<int>(i);
        return selection;
      }
    }
    selection.savedNameMissing = true;
  }
  selection.position = ClampDevicePosition(savedPosition, static_cast<int>(shownNames.size()));
  return selection;
}
