#include <windows.h>

#include <cstdlib>

#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) { return AfxWinMain(instance, commandLine); }

#if defined(__GLIBCXX__)
// The C++ library's default way of ending on an uncaught exception prints the exception's demangled type
// to a console this windowed program does not have; its demangler alone is a tenth of the exe. Ending
// without the print is all such a program can do either way.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
