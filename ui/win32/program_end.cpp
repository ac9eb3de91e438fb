#include "ui/win32/program_end.h"

#include <cstdio>

namespace brevolt::ui::win32 {

void Win32ProgramEnd::End() {
  browser_.Release();
  std::fflush(nullptr);
  // The window goes with the process: hiding it first would only wait on a
  // window manager (up to 2 s under Wine without one). ExitProcess leaves
  // the message queue unread, so no handler runs after this.
  ::ExitProcess(0);
}

}  // namespace brevolt::ui::win32
