// Kept running by bench/run while it measures the Windows programs: Wine's
// desktop process, which the first window of a session starts, stays up as
// long as some Wine program runs. It shows no window and waits to be ended.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Asking for the desktop window starts Wine's desktop process.
  ::GetDesktopWindow();
  ::Sleep(INFINITE);
  return 0;
}
