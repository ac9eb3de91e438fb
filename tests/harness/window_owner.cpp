#include "tests/harness/window_owner.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace brevolt::test {

std::optional<pid_t> WindowPid(XQuery& x, XWindow window) {
  Display* display = x.display();
  const Atom net_wm_pid = XInternAtom(display, "_NET_WM_PID", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  // A vanished window reads as absent; XQuery's error handler covers it.
  const int status = XGetWindowProperty(display, window, net_wm_pid, 0, 1, False, XA_CARDINAL,
                                        &type, &format, &count, &after, &data);
  std::optional<pid_t> pid;
  if (status == Success && data != nullptr && type == XA_CARDINAL && format == 32 && count == 1) {
    // Format-32 items come as longs, whatever the width of a long.
    pid = static_cast<pid_t>(*reinterpret_cast<const unsigned long*>(data));
  }
  if (data != nullptr) XFree(data);
  return pid;
}

}  // namespace brevolt::test
