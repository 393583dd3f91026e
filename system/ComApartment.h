#pragma once
// COM on the calling thread for as long as this object lives, as the shell's folder picker and
// ShellExecute want it. ole32.dll is loaded from the system's folder when one is first made, not at the
// program's start: most runs never need it.
#include <windows.h>

class CComApartment {
 public:
  CComApartment();
  ~CComApartment();
  CComApartment(const CComApartment&) = delete;
  CComApartment& operator=(const CComApartment&) = delete;

 private:
  bool m_entered = false;
};
