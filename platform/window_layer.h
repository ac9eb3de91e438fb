#pragma once
// The product's window, found by its title, put aside and given back: the
// calls every desktop's binding answers in its own way.
#include "app/win32_types.h"

namespace brevolt::platform {

class WindowLayer {
 public:
  virtual ~WindowLayer() = default;

  // First top-level window, in the desktop's own order, whose title equals
  // lpWindowName exactly; 0 if none. lpClassName must be null.
  virtual HWND FindWindowA(const char* lpClassName, const char* lpWindowName) = 0;

  // Only SWP_HIDEWINDOW and SWP_SHOWWINDOW are acted on; showing also
  // raises and activates the window. The window keeps its place and size.
  virtual BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                            UINT uFlags) = 0;
};

}  // namespace brevolt::platform
