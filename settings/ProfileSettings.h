#pragma once
// PushClient.ini: the settings that config.db's four lines have no room for, kept in the system's INI
// format so that config.db stays byte for byte what earlier versions read and write.
#include <string>

#include "files/PrivateFile.h"
#include "settings/RecordSettings.h"

// Where alerts go ([alert]): the webhook's address (empty: no alerts), the chat's signing secret, the
// station's name that every alert carries (empty: the computer's name), and the format of the body
// (format=, for a relay that hands the alert on to a chat: ParseWebhookFormat; empty: by the address). The
// address holds the chat's token: the file is private to the user.
struct AlertSettings {
  std::string webhook;
  std::string secret;
  std::string station;
  std::string format;
};

class CProfileSettings {
 public:
  // path: a full path (the profile functions look for a bare name in the Windows folder). notPrivate is
  // told the path once, the first time the file could not be made private.
  explicit CProfileSettings(std::string path = std::string(), CNotPrivateNotice::Tell notPrivate = {})
      : m_path(std::move(path)), m_notPrivate(std::move(notPrivate)) {}

  // The name of the device last chosen; empty when none was saved.
  std::string DeviceName() const { return Read(kDeviceSection, kNameKey); }
  bool SaveDeviceName(const std::string& name) const { return Write(kDeviceSection, kNameKey, name); }

  // A file an earlier version or a person made may be readable by everyone: it is made private at start.
  void KeepPrivate() const;

  AlertSettings Alerts() const;
  bool SaveAlerts(const AlertSettings& alerts) const;

  // The recording's settings ([record]), read afresh at each call.
  RecordSettings Record() const;
  bool SaveRecord(const RecordSettings& record) const;

  // A value as it was written, blanks and quotes at its ends included; empty when absent.
  std::string Read(const char* section, const char* key) const;
  bool Write(const char* section, const char* key, const std::string& value) const;

  const std::string& Path() const { return m_path; }

 private:
  static constexpr const char* kDeviceSection = "device";
  static constexpr const char* kNameKey = "name";
  static constexpr const char* kAlertSection = "alert";
  static constexpr const char* kWebhookKey = "webhook";
  static constexpr const char* kSecretKey = "secret";
  static constexpr const char* kStationKey = "station";
  static constexpr const char* kFormatKey = "format";
  std::string m_path;
  mutable CNotPrivateNotice m_notPrivate;
};
