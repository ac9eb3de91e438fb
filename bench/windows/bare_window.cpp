// The floor of the Windows program's start-up: a bare top-level window of
// the same style and client size, with one EDIT field, built and run the
// same way (mingw, static, under Wine). Built a second time with
// BREVOLT_BENCH_PROBE and the program's manifest, it is the floor of any
// window that must do what the program must before it shows either face,
// and nothing more: Common Controls 6, which the manifest asks for, loaded
// for its field (nearly all that it costs over the bare window: wininet
// and the probe measured alone add a few per cent), and the probe of the
// sign-up address, bounded as the program must bound it, with wininet
// loaded from System32 by that first call. It loads nothing ahead on a
// thread of its own: that is a choice a program may make, not a cost it
// must pay, and measured side by side it saved the floor nothing.
#include <windows.h>
#ifdef BREVOLT_BENCH_PROBE
#include <wininet.h>

#include <string>

#include "build_config.h"
#include "platform/win32/probe.h"
#include "platform/win32/system_dlls.h"
#endif

#include "ui/layout.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    ::ExitProcess(0);
  }
  return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef BREVOLT_BENCH_PROBE
  brevolt::platform::win32::SearchSystemFolderOnly();
#endif
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BareWindow";
  ::RegisterClassExA(&wc);
  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT outer{0, 0, brevolt::ui::kClientWidth, brevolt::ui::kClientHeight};
  ::AdjustWindowRectEx(&outer, style, FALSE, WS_EX_WINDOWEDGE);
  HWND window = ::CreateWindowExA(WS_EX_WINDOWEDGE, "BareWindow", "Bare", style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, outer.right - outer.left,
                                  outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);
  ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 207, 168, 209, 18, window,
                    nullptr, instance, nullptr);
#ifdef BREVOLT_BENCH_PROBE
  brevolt::platform::win32::InternetCheckConnectionA(std::string(brevolt::kSignUpUrl).c_str(),
                                                     FLAG_ICC_FORCE_CONNECTION, 0);
#endif
  ::ShowWindow(window, SW_SHOWNORMAL);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
