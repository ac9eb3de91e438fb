#include "ui/win32/message_loop.h"

namespace brevolt::ui::win32 {

void RunMessageLoop(::HWND form, BrowserSite& browser, Win32ProgramEnd& end) {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // The dialog manager would turn Return into IDOK and swallow it (and
    // Escape into IDCANCEL), so Enter could not submit a form on the page.
    const bool for_page = browser.Owns(msg.hwnd);
    const bool used = for_page ? browser.TranslateAccelerator(&msg)
                               : ::IsDialogMessageW(form, &msg) != FALSE;
    if (!used) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    end.FinishIfEnding();
  }
}

}  // namespace brevolt::ui::win32
