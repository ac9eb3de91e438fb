// Brevolt for Windows: invites the product's user to join its mailing list,
// in a window of its own while the product's window is put aside.
#include <windows.h>

#include "app/frm_brevolt.h"
#include "platform/win32/system_api.h"
#include "platform/win32/system_dlls.h"
#include "ui/win32/form_window.h"
#include "ui/win32/message_box.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/program_end.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  using namespace brevolt;
  platform::win32::SearchSystemFolderOnly();
  ui::win32::FormWindow window(instance);
  platform::win32::SystemApi api;
  ui::win32::Win32MessageBoxes boxes(window.hwnd());
  ui::win32::Win32ProgramEnd program_end(window.browser(), window.hwnd());
  FrmBrevolt form(window.controls(), api, boxes, program_end);
  // The product may want the foreground back once we are gone.
  program_end.BeforeExit([&form] { platform::win32::LetTakeForeground(form.hwndHost); });

  // Once the ending has begun, no handler of ours runs again.
  window.OnFinishClick(program_end.Guard([&form] { form.lblFinish_Click(); }));
  window.browser().OnNavigateComplete(program_end.Guard(
      [&form](std::shared_ptr<const WebFrame> frame, const std::string& url) {
        form.WebBrowser1_NavigateComplete2(std::move(frame), url);
      }));
  window.OnClose(program_end.Guard([&form, &program_end] {
    int cancel = 0;
    form.Form_Unload(cancel);
    if (cancel == 0) program_end.End();
  }));

  form.Form_Load();
  if (!program_end.Ending()) {
    api.FinishHiding();
    window.ShowCentredOn(platform::win32::ToNative(form.hwndHost));
  }
  ui::win32::RunMessageLoop(window.hwnd(), window.browser(), program_end);
  return 0;
}
