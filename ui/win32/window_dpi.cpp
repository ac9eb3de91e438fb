#include "ui/win32/window_dpi.h"

#include "platform/win32/system_dlls.h"

namespace brevolt::ui::win32 {
namespace {

// A user32 function that older systems lack, or nullptr there. The
// detour through void(*)() is the cast GCC accepts between function types.
template <typename Function>
Function FromUser32(const char* name) {
  const FARPROC found = ::GetProcAddress(::GetModuleHandleA("user32.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

int SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

int WindowDpi(::HWND window) {
  using GetDpiForWindow = UINT(WINAPI*)(::HWND);
  static const auto get = FromUser32<GetDpiForWindow>("GetDpiForWindow");
  const UINT dpi = get ? get(window) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : SystemDpi();
}

int MonitorDpi(HMONITOR monitor, ::HWND window) {
  // The window's own monitor answers without loading anything more; only
  // another one needs shcore (Windows 8.1 and later).
  if (monitor == nullptr || monitor == ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)) {
    return WindowDpi(window);
  }
  using GetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto get = [] {
    const HMODULE shcore = platform::win32::LoadSystemLibrary("shcore.dll");
    const FARPROC found = shcore ? ::GetProcAddress(shcore, "GetDpiForMonitor") : nullptr;
    return reinterpret_cast<GetDpiForMonitor>(reinterpret_cast<void (*)()>(found));
  }();
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  UINT x = 0, y = 0;
  if (get && SUCCEEDED(get(monitor, kEffectiveDpi, &x, &y)) && y != 0) return static_cast<int>(y);
  return SystemDpi();
}

SIZE OuterSizeFor(SIZE client, ::DWORD style, ::DWORD ex_style, int dpi) {
  using AdjustForDpi = ::BOOL(WINAPI*)(RECT*, ::DWORD, ::BOOL, ::DWORD, UINT);
  static const auto adjust = FromUser32<AdjustForDpi>("AdjustWindowRectExForDpi");
  RECT outer{0, 0, client.cx, client.cy};
  if (!adjust || !adjust(&outer, style, FALSE, ex_style, static_cast<UINT>(dpi))) {
    ::AdjustWindowRectEx(&outer, style, FALSE, ex_style);
  }
  return SIZE{outer.right - outer.left, outer.bottom - outer.top};
}

}  // namespace brevolt::ui::win32
