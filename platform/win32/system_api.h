#pragma once
// The handlers' platform calls on Windows: user32's window calls and
// wininet's connectivity check, bounded in time.
#include <windows.h>

#include "app/form_interfaces.h"

namespace brevolt::platform::win32 {

// Window handles are 32-bit values on 64-bit Windows too, sign-extended
// when widened, so they round-trip through the handlers' 32-bit HWND.
::HWND ToNative(brevolt::HWND handle);
brevolt::HWND FromNative(::HWND handle);

// Lets the process of `window` (0: none) take the foreground from ours,
// which is the foreground one, as the program ends.
void LetTakeForeground(brevolt::HWND window);

class SystemApi : public Win32Api {
 public:
  brevolt::HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override;
  BOOL SetWindowTextA(brevolt::HWND hWnd, const char* lpString) override;
  BOOL SetWindowPos(brevolt::HWND hWnd, brevolt::HWND hWndInsertAfter, int X, int Y, int cx,
                    int cy, UINT uFlags) override;
  BOOL InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved) override;

  // The product's window is hidden and shown without waiting for its
  // thread, which may be waiting for our process. Before our own window
  // shows, this gives a hide asked for earlier a short bound to be done,
  // so that a listening product's window is gone first.
  void FinishHiding();

 private:
  ::HWND hiding_ = nullptr;
};

}  // namespace brevolt::platform::win32
