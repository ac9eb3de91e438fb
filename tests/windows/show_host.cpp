// Shows the product's window again through brevolt.exe's own path: the
// window's handlers with the system's calls, Form_Load finding the product
// by its title and the completion handler showing it for a marker address.
// Only the window's own controls are stand-ins. Exits with 0 once it has
// shown a window, so the X-side tests can check where it comes back.
#include <windows.h>

#include "app/frm_brevolt.h"
#include "platform/win32/system_api.h"
#include "tests/unit/recorder.h"

int main() {
  using namespace brevolt;
  test::Log log;
  test::RecordedControl imgFinish{log, "imgFinish"}, lblFinish{log, "lblFinish"};
  test::RecordedTextBox txtName{log, "txtName"}, txtEmail{log, "txtEmail"}, Text1{log, "Text1"};
  test::RecordedBrowser WebBrowser1{log};
  test::RecordedPlatform boxes_and_end{log};
  platform::win32::SystemApi api;
  FrmBrevolt form(FormControls{0, imgFinish, txtName, txtEmail, Text1, lblFinish, WebBrowser1},
                  api, boxes_and_end, boxes_and_end);
  form.Form_Load();
  if (form.hwndHost == 0) return 1;
  form.WebBrowser1_NavigateComplete2(std::make_shared<const WebFrame>(WebFrame{true}),
                                     "http://127.0.0.1/thankyou.html");
  // The show is the product's thread's to carry out, in its own time.
  const ::HWND host = platform::win32::ToNative(form.hwndHost);
  const ULONGLONG until = ::GetTickCount64() + 5000;
  while (!::IsWindowVisible(host) && ::GetTickCount64() < until) ::Sleep(10);
  return ::IsWindowVisible(host) ? 0 : 1;
}
