#include "ui/win32/program_end.h"

#include <cstdio>

namespace brevolt::ui::win32 {

void Win32ProgramEnd::End() {
  if (ending_) return;
  ending_ = true;
  // Wakes the message loop should the ending come from outside any message
  // (a control that reports during Navigate, before the loop has started).
  ::PostMessageW(window_, WM_NULL, 0, 0);
}

void Win32ProgramEnd::FinishIfEnding() {
  if (!ending_) return;
  // The control's event has returned by now: it may be closed, and then the
  // cache entries it made are removed.
  browser_.Release();
  if (before_exit_) before_exit_();
  std::fflush(nullptr);
  exit_();
}

void Win32ProgramEnd::TerminateNow() {
  // The window goes with the process; hiding it first would only wait on a
  // window manager (up to 2 s under Wine without one). Nothing queued runs.
  ::TerminateProcess(::GetCurrentProcess(), 0);
  ::ExitProcess(0);  // not reached
}

}  // namespace brevolt::ui::win32
