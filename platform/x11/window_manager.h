#pragma once
// Win32-shaped window-manager calls over Xlib, for the program's own window
// and for another program's top-level window found by its title.
#include <gdk/gdk.h>

#include "app/win32_types.h"
#include "platform/window_layer.h"

namespace brevolt::platform {

class WindowManager : public WindowLayer {
 public:
  // The display must be an X11 one; the program forces GDK's X11 backend.
  explicit WindowManager(GdkDisplay* display);

  // First top-level client window, topmost first, whose title equals
  // lpWindowName byte for byte; hidden (withdrawn) windows included, and
  // transient ones, except those transient for another copy's window.
  // lpClassName must be null: no caller searches by class.
  HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override;

  // Sets WM_NAME and _NET_WM_NAME.
  BOOL SetWindowTextA(HWND hWnd, const char* lpString);

  // Only SWP_HIDEWINDOW and SWP_SHOWWINDOW are acted on; the window keeps
  // its position and size across hide and show whatever x, y, cx, cy say.
  BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                    UINT uFlags) override;

 private:
  GdkDisplay* display_;
};

}  // namespace brevolt::platform
