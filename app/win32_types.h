#pragma once
// The few Win32 shapes the window code is written against, so that the
// handlers read the same on every platform.
#include <cstdint>

namespace brevolt {

// A top-level window's handle; 0 means none. Window handles are 32-bit
// values on every Windows, and X11 window ids fit too.
using HWND = std::uint32_t;
using BOOL = int;            // nonzero means success
using UINT = unsigned int;
using DWORD = std::uint32_t;

// <windows.h> and <wininet.h> define these as macros with the same values;
// a file that includes those first uses the macros.
#ifndef SWP_SHOWWINDOW
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
#endif
#ifndef SWP_HIDEWINDOW
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
#endif
#ifndef FLAG_ICC_FORCE_CONNECTION
inline constexpr DWORD FLAG_ICC_FORCE_CONNECTION = 1;
#endif

}  // namespace brevolt
