// The stand-in product window for the Windows program: a plain top-level
// window with the product's title. Like the Linux stand-in, it reports on
// stdout: "window <X id>" and "placed" once it is shown, for the X-side tests.
// usage: host_window.exe [--title T] [--x X --y Y] [--width W] [--height H]
//                        [--owner-title T]   owned by a hidden window titled T
//                        [--launch-minimised EXE]
// With --launch-minimised, once placed it starts EXE as launchers of
// helpers do (STARTUPINFO asking for a minimised window) and waits for it
// on its own UI thread, pumping nothing, then reports "ended <status>".
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  // Plain "\n" line ends, as the harness reads them.
  _setmode(_fileno(stdout), _O_BINARY);
  std::string title = "Zendrolt";
  std::string owner_title, launch;
  int x = 100, y = 100, width = 300, height = 200;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--title") title = argv[i + 1];
    else if (option == "--owner-title") owner_title = argv[i + 1];
    else if (option == "--launch-minimised") launch = argv[i + 1];
    else if (option == "--x") x = std::atoi(argv[i + 1]);
    else if (option == "--y") y = std::atoi(argv[i + 1]);
    else if (option == "--width") width = std::atoi(argv[i + 1]);
    else if (option == "--height") height = std::atoi(argv[i + 1]);
    else {
      std::fprintf(stderr, "host_window: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  ::HWND owner = owner_title.empty()
                     ? nullptr
                     : ::CreateWindowExA(0, "STATIC", owner_title.c_str(), WS_OVERLAPPED, 0, 0, 1,
                                         1, nullptr, nullptr, nullptr, nullptr);
  ::HWND window = ::CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPEDWINDOW, x, y, width,
                                    height, owner, nullptr, nullptr, nullptr);
  if (!window) return 1;
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::UpdateWindow(window);
  // Placed once it has the focus: a window manager gives it only after
  // framing and mapping it; without one, Wine gives it at once.
  MSG msg;
  const DWORD deadline = ::GetTickCount() + 10000;
  while (::GetForegroundWindow() != window && ::GetTickCount() < deadline) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
  }
  // Wine keeps the X window's id as a window property.
  std::printf("window %lx\nplaced\n",
              static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(
                  ::GetPropA(window, "__wine_x11_whole_window"))));
  std::fflush(stdout);
  if (!launch.empty()) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINNOACTIVE;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(launch.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
      return 3;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    std::printf("ended %lu\n", static_cast<unsigned long>(status));
    std::fflush(stdout);
  }
  // A plain STATIC window never closes itself: the test ends it.
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
  return 0;
}
