#include "ui/win32/program_end.h"

#include <cstdio>

namespace brevolt::ui::win32 {

void Win32ProgramEnd::End() {
  browser_.Release();
  ::ShowWindow(window_, SW_HIDE);
  std::fflush(nullptr);
  // ExitProcess leaves the message queue unread: no handler runs after this.
  ::ExitProcess(0);
}

}  // namespace brevolt::ui::win32
