#include "simlink/win32/Win32Clock.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

void Win32Clock::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }
