// Sets the system's window-text colour to what it is, so every top-level
// window hears WM_SYSCOLORCHANGE while nothing else changes for the
// programs started after it.
#include <windows.h>

int main() {
  const INT element = COLOR_WINDOWTEXT;
  const COLORREF colour = ::GetSysColor(element);
  return ::SetSysColors(1, &element, &colour) ? 0 : 1;
}
