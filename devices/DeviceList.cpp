// The device box: filled from device.txt, sorted by the control, selected by the remembered position.
#include <windows.h>

#include "app/PushClientDlg.h"
#include "devices/DeviceListParser.h"
#include "settings/FileBytes.h"
#include "settings/TextMode.h"
#include "res/Texts.h"

namespace {
const char kDeviceFileName[] = "device.txt";
}  // namespace

void CPushClientDlg::ParseDeviceLIst() {
  std::string bytes;
  if (!ReadFileBytes(kDeviceFileName, bytes)) {
    AddLog(kDeviceFileUnreadable);
    return;
  }
  DeviceListParse parsed = ParseDeviceListing(FromTextModeBytes(bytes), m_arrDevices);
  m_arrDevices = std::move(parsed.devices);
  for (const std::string& line : parsed.logLines) AddLog(line);
  if (parsed.fillCombo) FillDeviceCombo();
}

void CPushClientDlg::FillDeviceCombo() {
  m_comboDevice.ResetContent();
  for (const std::string& name : m_arrDevices) m_comboDevice.AddString(name);
  m_nDeviceIndex = ClampDevicePosition(m_nDeviceIndex, static_cast<int>(m_arrDevices.size()));
  m_comboDevice.SetCurSel(m_nDeviceIndex);
  WidenDeviceDropDown();
}

// Device names are often longer than the box is wide: the opened list is made wide enough to show them.
void CPushClientDlg::WidenDeviceDropDown() {
  HDC dc = GetDC(m_comboDevice.m_hWnd);
  if (!dc) return;
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(m_comboDevice.SendMessage(WM_GETFONT)));
  LONG widest = 0;
  for (const std::string& name : m_arrDevices) {
    SIZE size = {};
    if (GetTextExtentPoint32A(dc, name.c_str(), static_cast<int>(name.size()), &size) && size.cx > widest)
      widest = size.cx;
  }
  SelectObject(dc, oldFont);
  ReleaseDC(m_comboDevice.m_hWnd, dc);
  const LONG margin = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL) + 8;
  m_comboDevice.SendMessage(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + margin));
}

// Called when the user picks another device.
void CPushClientDlg::OnCbnSelchangeDevice() {
  m_nDeviceIndex = m_comboDevice.GetCurSel();
  m_strDevice = m_comboDevice.GetWindowText();
}
