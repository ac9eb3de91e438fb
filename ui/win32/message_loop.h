#pragma once
#include <windows.h>

#include "ui/win32/browser_site.h"
#include "ui/win32/program_end.h"

namespace brevolt::ui::win32 {

// The program's one message loop, in wide characters so that text outside
// the ANSI code page (an emoji panel, a Unicode-only layout) reaches the
// page and the fields intact; the W calls serve ANSI windows too. Keys for
// the page go to the page alone; the dialog manager gets the rest, for Tab
// between the fields. Returns when the form is destroyed; an ending
// finishes between two messages and does not return.
void RunMessageLoop(::HWND form, BrowserSite& browser, Win32ProgramEnd& end);

}  // namespace brevolt::ui::win32
