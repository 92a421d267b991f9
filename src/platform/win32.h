// The one way into the Windows headers. Every file that needs the Windows API
// includes this header instead of <windows.h>, so that the macros that trim
// and configure those headers are set in one place.
#pragma once

#ifndef _WIN32
#error "platform/win32.h is for the Windows build only"
#endif

#include <windows.h>
// windows.h must come first: commctrl.h relies on its types.
#include <commctrl.h>
