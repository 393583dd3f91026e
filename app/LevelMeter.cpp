#include "app/LevelMeter.h"

#include <cmath>
#include <string>

#include "system/UniqueHandle.h"

namespace {
const COLORREF kLevelColour = RGB(40, 170, 60);
const COLORREF kClipColour = RGB(220, 30, 30);

std::string FigureText(std::optional<double> peakDb) {
  if (!peakDb) return "-- dBFS";
  // Digital silence reads as minus infinity: below the bar's floor is all one can say of it.
  if (*peakDb <= kMeterFloorDb) return "<" + std::to_string(static_cast<int>(kMeterFloorDb)) + " dBFS";
  return std::to_string(static_cast<int>(std::lround(*peakDb))) + " dBFS";
}
}  // namespace

void CLevelMeter::Attach(HWND bar, HWND figure) {
  m_bar.Attach(bar);
  m_figure.Attach(figure);
}

void CLevelMeter::Show(bool metered, std::optional<double> peakDb) {
  const int show = metered ? SW_SHOWNA : SW_HIDE;
  m_bar.ShowWindow(show);
  m_figure.ShowWindow(show);
  if (!metered) return;
  m_peakDb = peakDb;
  const std::string text = FigureText(peakDb);
  if (m_figure.GetWindowText() != text) m_figure.SetWindowText(text);
  InvalidateRect(m_bar.m_hWnd, nullptr, FALSE);
}

void CLevelMeter::Draw(const DRAWITEMSTRUCT& item) const {
  RECT box = item.rcItem;
  FillRect(item.hDC, &box, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(item.hDC, &box, GetSysColorBrush(COLOR_BTNSHADOW));
  if (!m_peakDb || *m_peakDb <= kMeterFloorDb) return;
  const double fraction = *m_peakDb >= 0 ? 1.0 : 1.0 - *m_peakDb / kMeterFloorDb;
  RECT level = box;
  InflateRect(&level, -1, -1);
  level.right = level.left + static_cast<LONG>(std::lround((level.right - level.left) * fraction));
  UniqueGdiObject brush(CreateSolidBrush(*m_peakDb >= kClipDb ? kClipColour : kLevelColour));
  FillRect(item.hDC, &level, static_cast<HBRUSH>(brush.get()));
}
