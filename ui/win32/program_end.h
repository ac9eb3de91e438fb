#pragma once
#include <windows.h>

#include "app/form_interfaces.h"
#include "ui/win32/browser_site.h"

namespace brevolt::ui::win32 {

// Ends the process from inside a handler: the browser lets go of its engine,
// the window goes, nothing queued runs afterwards, and the status is 0.
class Win32ProgramEnd : public ProgramEnd {
 public:
  explicit Win32ProgramEnd(BrowserSite& browser) : browser_(browser) {}
  [[noreturn]] void End() override;

 private:
  BrowserSite& browser_;
};

}  // namespace brevolt::ui::win32
