#pragma once
// The devices the encoder found, as the device box offers them: their shown names, the name to hand the
// encoder for each, and which one to select after a listing.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "devices/DeviceListParser.h"

class DeviceCatalogue {
 public:
  // What the listing run wrote to device.txt (before the text-mode line ends) and which of its lines lost
  // characters on the way from UTF-8. Kept until the file is read back.
  void LearnListing(std::string writtenText, std::vector<bool> lossyLines);

  // Reads device.txt's text back (as a text-mode read gives it). Returns the lines to log; true in
  // refill when the device box is to be refilled with Names().
  std::vector<std::string> ReadListing(const std::string& fileText, bool& refill);

  const std::vector<std::string>& Names() const { return m_arrDevices; }
  // The name the encoder knows a shown device by.
  std::string CaptureName(const std::string& shownName) const;

 private:
  std::vector<std::string> m_arrDevices;
  std::map<std::string, std::string> m_captureNames;
  std::string m_listingText;
  std::vector<bool> m_listingLossyLines;
};

// Which entry the device box selects after it was refilled with these names: the device saved by name
// when it is there (its position among the names given); without a saved name the saved position (one at or beyond the
// count becomes 0, a negative one selects nothing). A saved name that is not there selects by position
// as well, but is reported missing, so that an unattended start does not go on air with another device.
struct DeviceSelection {
  int position = -1;
  bool savedNameMissing = false;  // a name was saved and the list lacks it
};
DeviceSelection SelectDevice(const std::vector<std::string>& shownNames, const std::string& savedName,
                             int savedPosition);

// Whether an unattended start may go live with this selection: only on the device the user chose.
inline bool MayGoLiveUnattended(const DeviceSelection& selection, std::size_t deviceCount) {
  return !selection.savedNameMissing && deviceCount > 0 && selection.position >= 0;
}
