#pragma once
// The resolution a window is shown at, and the outer size that gives it a
// client area of a given size there. Windows 10 answers per window and per
// monitor; older systems have one resolution for the whole session.
#include <windows.h>

namespace brevolt::ui::win32 {

int SystemDpi();
int WindowDpi(::HWND window);
// The resolution a window shown on `monitor` is laid out at.
int MonitorDpi(HMONITOR monitor, ::HWND window);
SIZE OuterSizeFor(SIZE client, ::DWORD style, ::DWORD ex_style, int dpi);

}  // namespace brevolt::ui::win32
