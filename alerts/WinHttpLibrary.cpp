#include "alerts/WinHttpLibrary.h"

#include <optional>

namespace {

// GetProcAddress hands out every function as FARPROC; passing through the generic function pointer type
// tells the compiler the cast to the real one is meant.
template <class Function>
bool Find(HMODULE library, const char* name, Function& function) {
  const FARPROC found = GetProcAddress(library, name);
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
  return found != nullptr;
}

std::optional<WinHttpFunctions> Load() {
  // From System32 only: never a winhttp.dll that lies beside the program or in the current folder.
  const HMODULE library = LoadLibraryExW(L"winhttp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!library) return std::nullopt;
  WinHttpFunctions f = {};
  const bool all = Find(library, "WinHttpOpen", f.Open) && Find(library, "WinHttpCloseHandle", f.CloseHandle) &&
                   Find(library, "WinHttpSetStatusCallback", f.SetStatusCallback) &&
                   Find(library, "WinHttpSetTimeouts", f.SetTimeouts) && Find(library, "WinHttpSetOption", f.SetOption) &&
                   Find(library, "WinHttpConnect", f.Connect) && Find(library, "WinHttpOpenRequest", f.OpenRequest) &&
                   Find(library, "WinHttpSendRequest", f.SendRequest) &&
                   Find(library, "WinHttpReceiveResponse", f.ReceiveResponse) &&
                   Find(library, "WinHttpQueryHeaders", f.QueryHeaders) && Find(library, "WinHttpReadData", f.ReadData) &&
                   Find(library, "WinHttpQueryAuthSchemes", f.QueryAuthSchemes) &&
                   Find(library, "WinHttpSetCredentials", f.SetCredentials);
  if (!all) return std::nullopt;  // the library stays loaded, as it would have anyway
  return f;
}

}  // namespace

const WinHttpFunctions* WinHttp() {
  // C++11 makes the first caller initialise it while any other waits.
  static const std::optional<WinHttpFunctions> functions = Load();
  return functions ? &*functions : nullptr;
}
