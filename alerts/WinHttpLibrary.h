#pragma once
// WinHTTP, loaded from the system folder when the first webhook post needs it rather than at start: a
// program with no webhook set never loads it. mingw's linker cannot delay-load, so the program imports
// nothing of it and looks up each function it calls.
#include <windows.h>
// After windows.h, which it needs.
#include <winhttp.h>

struct WinHttpFunctions {
  decltype(&::WinHttpOpen) Open;
  decltype(&::WinHttpCloseHandle) CloseHandle;
  decltype(&::WinHttpSetStatusCallback) SetStatusCallback;
  decltype(&::WinHttpSetTimeouts) SetTimeouts;
  decltype(&::WinHttpSetOption) SetOption;
  decltype(&::WinHttpConnect) Connect;
  decltype(&::WinHttpOpenRequest) OpenRequest;
  decltype(&::WinHttpSendRequest) SendRequest;
  decltype(&::WinHttpReceiveResponse) ReceiveResponse;
  decltype(&::WinHttpQueryHeaders) QueryHeaders;
  decltype(&::WinHttpReadData) ReadData;
  decltype(&::WinHttpQueryAuthSchemes) QueryAuthSchemes;
  decltype(&::WinHttpSetCredentials) SetCredentials;
};

// The functions, or nullptr when winhttp.dll or one of them could not be had. The first call, from
// whichever thread, loads the library; every later one gets the same answer. It is never unloaded: a
// request being closed may still call back into it.
const WinHttpFunctions* WinHttp();
