#pragma once
// The handlers' platform calls, answered by the X11 window manager layer and
// the connectivity probe.
#include <functional>

#include "app/form_interfaces.h"
#include "platform/x11/window_manager.h"

namespace brevolt {

class SystemApi : public Win32Api {
 public:
  // Titles of our own window go through the toolkit, which would otherwise
  // put back its own idea of the title.
  SystemApi(platform::WindowManager& wm, HWND own_window,
            std::function<void(const char*)> set_own_title);

  HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override;
  BOOL SetWindowTextA(HWND hWnd, const char* lpString) override;
  BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                    UINT uFlags) override;
  BOOL InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved) override;

 private:
  platform::WindowManager& wm_;
  HWND own_window_;
  std::function<void(const char*)> set_own_title_;
};

}  // namespace brevolt
