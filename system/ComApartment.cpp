#include "system/ComApartment.h"

#include <objbase.h>

namespace {

using CoInitializeExFunction = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoUninitializeFunction = void(WINAPI*)();

struct Ole32 {
  CoInitializeExFunction initialize = nullptr;
  CoUninitializeFunction uninitialize = nullptr;
};

// Loaded once and kept: COM may still hold the library when an apartment ends.
const Ole32& Library() {
  static const Ole32 ole32 = [] {
    Ole32 found;
    if (const HMODULE library = LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
      found.initialize = reinterpret_cast<CoInitializeExFunction>(
          reinterpret_cast<void*>(GetProcAddress(library, "CoInitializeEx")));
      found.uninitialize = reinterpret_cast<CoUninitializeFunction>(
          reinterpret_cast<void*>(GetProcAddress(library, "CoUninitialize")));
    }
    return found;
  }();
  return ole32;
}

}  // namespace

CComApartment::CComApartment() {
  const Ole32& ole32 = Library();
  if (ole32.initialize && ole32.uninitialize)
    m_entered = SUCCEEDED(ole32.initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

CComApartment::~CComApartment() {
  if (m_entered) Library().uninitialize();
}
