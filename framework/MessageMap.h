#pragma once
// A dialog's dispatch table is data: entries {message, notification code, control id, handler}, scanned
// in order, first match wins, then the base class's table. Handlers come in a few typed kinds; each
// entry maker below names the signature it accepts.
#include <windows.h>

#include <cstddef>
#include <variant>

class CDialog;

namespace msgmap {
// void OnXxx()                          -- WM_COMMAND notifications, WM_PAINT, WM_CLOSE
using VoidHandler = void (CDialog::*)();
// void OnTimer(UINT_PTR nIDEvent)
using TimerHandler = void (CDialog::*)(UINT_PTR);
// void OnSysCommand(UINT nID, LPARAM lParam)
using SysCommandHandler = void (CDialog::*)(UINT, LPARAM);
// HCURSOR OnQueryDragIcon()             -- the result goes back to the caller as the message's value
using QueryCursorHandler = HCURSOR (CDialog::*)();
// LRESULT OnXxx(WPARAM wParam, LPARAM lParam)   -- any message, raw
using RawHandler = LRESULT (CDialog::*)(WPARAM, LPARAM);

using Handler = std::variant<VoidHandler, TimerHandler, SysCommandHandler, QueryCursorHandler, RawHandler>;
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
MessageMapEntry OnMessage(UINT message, LRESULT (D::*handler)(WPARAM, LPARAM)) {
  return {message, 0, 0, static_cast<RawHandler>(handler)};
}
template <class D>
MessageMapEntry OnTimerMessage(void (D::*handler)(UINT_PTR)) {
  return {WM_TIMER, 0, 0, static_cast<TimerHandler>(handler)};
}
template <class D>
MessageMapEntry OnSysCommandMessage(void (D::*handler)(UINT, LPARAM)) {
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
