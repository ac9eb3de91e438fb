#pragma once
#include <windows.h>

#include "app/form_interfaces.h"

namespace brevolt::ui::win32 {

// The system's message box, owned by the window so that it stays over it and
// the window takes no input until it is dismissed.
class Win32MessageBoxes : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(::HWND owner) : owner_(owner) {}
  void MsgBox(const std::string& prompt, UINT buttons, const std::string& title) override;

 private:
  ::HWND owner_;
};

}  // namespace brevolt::ui::win32
