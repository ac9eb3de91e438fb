#include "platform/x11/x11_show_hide.h"

#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "platform/x11/x11_properties.h"

namespace brevolt::platform {
namespace {

using namespace std::chrono_literals;

// Without an EWMH window manager focus can only go to a viewable window.
// Without any window manager a map is immediate; one that is not EWMH takes
// a moment to map it, and the program may exit right after showing.
constexpr auto kViewableWait = 500ms;
constexpr auto kViewablePoll = 5ms;

// A window manager places a window being mapped anew unless its hints say
// the position is the program's choice; asking for that keeps the window
// where it was when it was hidden. The other hints are left as they are.
void KeepPlaceOnMap(Display* display, Window window) {
  XSizeHints hints{};
  long supplied = 0;
  if (XGetWMNormalHints(display, window, &hints, &supplied) == 0) hints.flags = 0;
  if ((hints.flags & (PPosition | USPosition)) != 0) return;
  hints.flags |= PPosition;
  XSetWMNormalHints(display, window, &hints);
}

void RequestActivation(Display* display, const X11Atoms& atoms, Window root, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.display = display;
  event.xclient.window = window;
  event.xclient.message_type = atoms.net_active_window;
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;  // source indication: a pager, i.e. on the user's behalf
  event.xclient.data.l[1] = CurrentTime;
  event.xclient.data.l[2] = None;  // no window of ours is active
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

bool WaitViewable(Display* display, Window window) {
  const auto deadline = std::chrono::steady_clock::now() + kViewableWait;
  for (;;) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) return false;
    if (attributes.map_state == IsViewable) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kViewablePoll);
  }
}

}  // namespace

bool Withdraw(Display* display, Window window) {
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, window, &attributes) == 0) return false;
  return XWithdrawWindow(display, window, XScreenNumberOfScreen(attributes.screen)) != 0;
}

bool MapRaisedAndActivate(Display* display, const X11Atoms& atoms, Window window) {
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, window, &attributes) == 0) return false;
  if (attributes.map_state == IsUnmapped) KeepPlaceOnMap(display, window);
  XMapRaised(display, window);
  if (EwmhCheckWindow(display, atoms, attributes.root) != None) {
    // Queued behind the map request, so the window manager manages the
    // window before it is asked to activate it.
    RequestActivation(display, atoms, attributes.root, window);
  } else if (WaitViewable(display, window)) {
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
  }
  return true;
}

}  // namespace brevolt::platform
