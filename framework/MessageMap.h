#pragma once
// A dialog's dispatch table is data: entries {message, notification code, control id, handler}, scanned
// in order, first match wins, then the base class's table. Handlers come in a few typed kinds; each
// entry maker below names the signature it accepts. A handler that returns false has not handled its
// message: the dialog procedure returns FALSE and the system's default dialog processing (DefDlgProc)
// runs, as it does for a message no entry matches. No later entry is tried.
#include <windows.h>

#include <cstddef>
#include <variant>

class CDialog;

namespace msgmap {
// void OnXxx()                          -- WM_COMMAND notifications, and messages always handled (WM_CLOSE)
using VoidHandler = void (CDialog::*)();
// bool OnXxx()                          -- messages the handler may leave to the system (WM_PAINT)
using BoolHandler = bool (CDialog::*)();
// bool OnTimer(UINT_PTR nIDEvent)
using TimerHandler = bool (CDialog::*)(UINT_PTR);
// bool OnSysCommand(UINT nID, LPARAM lParam)   -- false: the system minimises, moves, closes, ... as usual
using SysCommandHandler = bool (CDialog::*)(UINT, LPARAM);
// HCURSOR OnQueryDragIcon()             -- the dialog procedure returns the cursor itself; null leaves the
//                                          message to the system
using QueryCursorHandler = HCURSOR (CDialog::*)();
// LRESULT OnXxx(WPARAM wParam, LPARAM lParam)   -- any message, always handled; the result is its value
using RawHandler = LRESULT (CDialog::*)(WPARAM, LPARAM);

using Handler =
    std::variant<VoidHandler, BoolHandler, TimerHandler, SysCommandHandler, QueryCursorHandler, RawHandler>;
}  // namespace msgmap

struct MessageMapEntry {
  UINT message;
  UINT notifyCode;  // WM_COMMAND only: HIWORD(wParam)
  UINT controlId;   // WM_COMMAND only: LOWORD(wParam)
  msgmap::Handler handler;
};

struct MessageMap {
  const MessageMap* base;
  const MessageMapEntry* entries;
  std::size_t count;
};

namespace msgmap {

template <class D>
MessageMapEntry OnMessage(UINT message, void (D::*handler)()) {
  return {message, 0, 0, static_cast<VoidHandler>(handler)};
}
template <class D>
MessageMapEntry OnMessage(UINT message, bool (D::*handler)()) {
  return {message, 0, 0, static_cast<BoolHandler>(handler)};
}
template <class D>
MessageMapEntry OnMessage(UINT message, LRESULT (D::*handler)(WPARAM, LPARAM)) {
  return {message, 0, 0, static_cast<RawHandler>(handler)};
}
template <class D>
MessageMapEntry OnTimerMessage(bool (D::*handler)(UINT_PTR)) {
  return {WM_TIMER, 0, 0, static_cast<TimerHandler>(handler)};
}
template <class D>
MessageMapEntry OnSysCommandMessage(bool (D::*handler)(UINT, LPARAM)) {
  return {WM_SYSCOMMAND, 0, 0, static_cast<SysCommandHandler>(handler)};
}
template <class D>
MessageMapEntry OnQueryDragIconMessage(HCURSOR (D::*handler)()) {
  return {WM_QUERYDRAGICON, 0, 0, static_cast<QueryCursorHandler>(handler)};
}
// A WM_COMMAND notification from one control: BN_CLICKED, CBN_SELCHANGE, ...
template <class D>
MessageMapEntry OnCommand(UINT notifyCode, UINT controlId, void (D::*handler)()) {
  return {WM_COMMAND, notifyCode, controlId, static_cast<VoidHandler>(handler)};
}

}  // namespace msgmap
