#include "settings/ProfileSettings.h"

#include <windows.h>

#include <vector>

#include "files/PrivateFile.h"

namespace {
// Longer than any device name or address the program accepts.
constexpr DWORD kValueBufferSize = 4096;
}  // namespace

void CProfileSettings::KeepPrivate() const {
  if (!m_path.empty() && GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES)
    m_notPrivate.Note(MakeFilePrivate(m_path), m_path);
}

std::string CProfileSettings::Read(const char* section, const char* key) const {
  if (m_path.empty()) return std::string();
  std::vector<char> value(kValueBufferSize);
  const DWORD length =
      GetPrivateProfileStringA(section, key, "", value.data(), static_cast<DWORD>(value.size()), m_path.c_str());
  return std::string(value.data(), length);
}

bool CProfileSettings::Write(const char* section, const char* key, const std::string& value) const {
  if (m_path.empty()) return false;
  // The profile functions drop blanks at a value's ends and one pair of quotes around it: the quotes
  // written here are the pair dropped, so a name comes back exactly as it was.
  const std::string quoted = "\"" + value + "\"";
  // The profile functions write the file with the rights of the folder; one made (or found) private first
  // keeps its rights when they write it over.
  PrivateFileResult opened = CreatePrivateFile(m_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
  if (!opened) return false;
  // Closed before they open it.
  opened.file.reset();
  m_notPrivate.Note(opened.isPrivate, m_path);
  return WritePrivateProfileStringA(section, key, quoted.c_str(), m_path.c_str()) != FALSE;
}

AlertSettings CProfileSettings::Alerts() const {
  return {Read(kAlertSection, kWebhookKey), Read(kAlertSection, kSecretKey), Read(kAlertSection, kStationKey),
          Read(kAlertSection, kFormatKey)};
}

bool CProfileSettings::SaveAlerts(const AlertSettings& alerts) const {
  // Each is written even when empty, so that a value cleared in the window is cleared in the file.
  const bool webhook = Write(kAlertSection, kWebhookKey, alerts.webhook);
  const bool secret = Write(kAlertSection, kSecretKey, alerts.secret);
  const bool station = Write(kAlertSection, kStationKey, alerts.station);
  const bool format = Write(kAlertSection, kFormatKey, alerts.format);
  return webhook && secret && station && format;
}

RecordSettings CProfileSettings::Record() const {
  return ParseRecordSettings({Read(kRecordSection, kRecordEnabledKey), Read(kRecordSection, kRecordFolderKey),
                              Read(kRecordSection, kRecordKeepDaysKey), Read(kRecordSection, kRecordSegmentMinutesKey),
                              Read(kRecordSection, kRecordMinFreeMbKey)});
}

bool CProfileSettings::SaveRecord(const RecordSettings& record) const {
  const bool enabled = Write(kRecordSection, kRecordEnabledKey, record.enabled ? "1" : "0");
  const bool folder = Write(kRecordSection, kRecordFolderKey, record.folder);
  const bool keepDays = Write(kRecordSection, kRecordKeepDaysKey, std::to_string(record.keepDays));
  const bool segment = Write(kRecordSection, kRecordSegmentMinutesKey, std::to_string(record.segmentMinutes));
  const bool minFree = Write(kRecordSection, kRecordMinFreeMbKey, std::to_string(record.minFreeMb));
  return enabled && folder && keepDays && segment && minFree;
}
