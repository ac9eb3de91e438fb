#include "ui/win32/message_box.h"

namespace brevolt::ui::win32 {

void Win32MessageBoxes::MsgBox(const std::string& prompt, UINT /*buttons*/,
                               const std::string& title) {
  // OK is the only button style the window asks for.
  ::MessageBoxA(owner_, prompt.c_str(), title.c_str(), MB_OK);
}

}  // namespace brevolt::ui::win32
