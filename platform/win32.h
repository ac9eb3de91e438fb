#pragma once
// The few Win32 shapes the window code is written against, so that the
// handlers read the same on every platform.
#include <cstdint>

namespace brevolt {

using HWND = std::uint32_t;  // a top-level window id; 0 means none
using BOOL = int;            // nonzero means success
using UINT = unsigned int;
using DWORD = std::uint32_t;

inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
inline constexpr DWORD FLAG_ICC_FORCE_CONNECTION = 1;

}  // namespace brevolt
