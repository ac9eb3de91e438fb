#include "ui/gtk/system_api.h"

#include "platform/gio/probe.h"

namespace brevolt {

SystemApi::SystemApi(platform::WindowManager& wm, HWND own_window,
                     std::function<void(const char*)> set_own_title)
    : wm_(wm), own_window_(own_window), set_own_title_(std::move(set_own_title)) {}

HWND SystemApi::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  return wm_.FindWindowA(lpClassName, lpWindowName);
}

BOOL SystemApi::SetWindowTextA(HWND hWnd, const char* lpString) {
  if (hWnd != 0 && hWnd == own_window_) {
    set_own_title_(lpString);
    return 1;
  }
  return wm_.SetWindowTextA(hWnd, lpString);
}

BOOL SystemApi::SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                             UINT uFlags) {
  return wm_.SetWindowPos(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags);
}

BOOL SystemApi::InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved) {
  return platform::InternetCheckConnectionA(lpszUrl, dwFlags, dwReserved);
}

}  // namespace brevolt
