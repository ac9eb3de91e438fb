// Where brevolt.exe's keyboard focus is, for the X-side tests: exits 0 when
// it is inside the control's windows in the browser's site, 1 when it is
// elsewhere (and says where), 2 when there is no program window.
#include <windows.h>

#include <cstdio>

#include "ui/win32/browser_site.h"

int main() {
  const ::HWND form = ::FindWindowA(nullptr, "Zendrolt ");
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (form == nullptr || !::GetGUIThreadInfo(::GetWindowThreadProcessId(form, nullptr), &info)) {
    return 2;
  }
  const ::HWND site =
      ::FindWindowExW(form, nullptr, brevolt::ui::win32::kBrowserSiteClass, nullptr);
  if (site != nullptr && info.hwndFocus != nullptr && ::IsChild(site, info.hwndFocus)) return 0;
  char focus_class[64] = "none";
  if (info.hwndFocus != nullptr) ::GetClassNameA(info.hwndFocus, focus_class, sizeof focus_class);
  std::printf("focus in %s\n", focus_class);
  return 1;
}
