#include "tests/e2e/offline/x_messages.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace brevolt::test {

XWindow TransientFor(XQuery& x, XWindow window) {
  Window owner = None;
  if (XGetTransientForHint(x.display(), window, &owner) == 0) return 0;
  return owner;
}

bool TakesDeleteWindow(XQuery& x, XWindow window) {
  Atom* protocols = nullptr;
  int count = 0;
  if (XGetWMProtocols(x.display(), window, &protocols, &count) == 0) return false;
  const Atom wanted = XInternAtom(x.display(), "WM_DELETE_WINDOW", False);
  bool found = false;
  for (int i = 0; i < count; ++i) found = found || protocols[i] == wanted;
  XFree(protocols);
  return found;
}

void SendDeleteWindow(XQuery& x, XWindow window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(x.display(), "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(x.display(), "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(x.display(), window, False, NoEventMask, &event);
  x.Sync();
}

}  // namespace brevolt::test
