#pragma once
// The handlers' platform calls: the product's window through the layer the
// desktop allows (chosen once, at start), our own window through GTK and
// X11, and the connectivity probe.
#include <functional>
#include <memory>

#include "app/form_interfaces.h"
#include "platform/window_layer.h"
#include "platform/x11/window_manager.h"

namespace brevolt {

class SystemApi : public Win32Api {
 public:
  // Titles of our own window go through the toolkit, which would otherwise
  // put back its own idea of the title.
  SystemApi(platform::WindowManager& wm, HWND own_window,
            std::function<void(const char*)> set_own_title);
  ~SystemApi() override;

  HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override;
  BOOL SetWindowTextA(HWND hWnd, const char* lpString) override;
  BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                    UINT uFlags) override;
  BOOL InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved) override;

 private:
  platform::WindowManager& wm_;
  HWND own_window_;
  std::function<void(const char*)> set_own_title_;
  // The Wayland desktop's layer, where one lets us reach other programs'
  // windows; otherwise the X11 one answers.
  std::unique_ptr<platform::WindowLayer> wayland_;
  platform::WindowLayer* host_layer_;
};

// On a Wayland session without XWayland our window has nowhere to go: says
// so on stderr and answers false. True everywhere else.
bool OwnWindowCanOpen();

}  // namespace brevolt
