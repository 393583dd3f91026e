// config.db: the user's choices, four lines in the current folder.
#include "app/PushClientDlg.h"
#include "settings/ConfigFormat.h"
#include "settings/FileBytes.h"
#include "settings/TextMode.h"

namespace {
const char kConfigFileName[] = "config.db";
}  // namespace

// Failures are silent: the settings file is a convenience, never a reason to stop.
void CPushClientDlg::SaveConfig() {
  StoredSettings settings;
  settings.deviceIndex = m_nDeviceIndex;
  settings.server = m_strServer;
  settings.minimizeToTray = m_nMinimizeToTray;
  settings.bitrateIndex = m_nBitrateIndex;
  WriteFileBytes(kConfigFileName, ToTextModeBytes(FormatConfig(settings)));
}

// Always returns false; the device listing runs after it whatever the file held.
bool CPushClientDlg::LoadConfig() {
  std::string bytes;
  if (!ReadFileBytes(kConfigFileName, bytes)) return false;

  StoredSettings settings;
  settings.deviceIndex = m_nDeviceIndex;
  settings.server = m_strServer;
  settings.minimizeToTray = m_nMinimizeToTray;
  settings.bitrateIndex = m_nBitrateIndex;
  ParseConfig(bytes, settings);
  m_nDeviceIndex = settings.deviceIndex;
  m_strServer = settings.server;
  m_nMinimizeToTray = settings.minimizeToTray;
  m_nBitrateIndex = settings.bitrateIndex;
  return false;
}
