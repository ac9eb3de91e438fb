// Shows the product's window again the way the program does once the user
// has signed up, so the X-side tests can check where it comes back.
#include <windows.h>

#include "app/texts.h"
#include "platform/win32/system_api.h"

int main() {
  brevolt::platform::win32::SystemApi api;
  const brevolt::HWND host = api.FindWindowA(nullptr, brevolt::kProductTitle);
  if (host == 0) return 1;
  return api.SetWindowPos(host, 0, 0, 0, 0, 0, SWP_SHOWWINDOW) ? 0 : 1;
}
