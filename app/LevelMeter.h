#pragma once
// The level meter beside the log: the peak level of what the encoder sends, as a bar the window draws and
// as a figure ("-12 dBFS") in a text control of its own, which screen readers read.
#include <windows.h>

#include <optional>

#include "framework/Wnd.h"

class CLevelMeter {
 public:
  void Attach(HWND bar, HWND figure);
  // metered: the broadcast is measured at all; peakDb: the latest reading, if one came.
  void Show(bool metered, std::optional<double> peakDb);
  // For WM_DRAWITEM of the bar.
  void Draw(const DRAWITEMSTRUCT& item) const;

 private:
  CWnd m_bar;
  CWnd m_figure;
  std::optional<double> m_peakDb;
};

// The bar spans this range; a peak at or above kClipDb is drawn as clipping.
constexpr double kMeterFloorDb = -60.0;
constexpr double kClipDb = -0.5;
