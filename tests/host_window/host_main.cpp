// A stand-in for the product's window: one top-level window with the given
// title that reports what happens to it on stdout, one line per event:
//   window 0x<id>          once created, before it is mapped
//   mapped / unmapped
//   placed                 once, when mapped where it will stay
//   configure X Y W H      the client area, root-relative, when it changed
//   focus-in / focus-out
//   close-requested        the window manager asked it to close; it exits
// It exits with status 0 on SIGTERM, SIGINT or SIGHUP.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tests/host_window/host_options.h"

namespace brevolt::test_host {
namespace {

// Smallest size the window asks for: a hint of its own that must survive
// being hidden and shown by someone else.
constexpr int kMinWidth = 60;
constexpr int kMinHeight = 40;
constexpr const char* kClassName = "brevolt-test-host";

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

struct Geometry {
  int x, y, width, height;
  bool operator==(const Geometry&) const = default;
};

class HostWindow {
 public:
  HostWindow(Display* display, const HostOptions& options)
      : display_(display), options_(options) {
    window_ = Create();
    Say("window 0x%lx", window_);
    XMapWindow(display_, window_);
    XFlush(display_);
  }
  ~HostWindow() {
    XDestroyWindow(display_, window_);
    if (owner_ != None) XDestroyWindow(display_, owner_);
  }
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // False once the window has been asked to close.
  bool Handle(const XEvent& event) {
    switch (event.type) {
      case MapNotify:
        Say("mapped");
        mapped_ = true;
        ReportGeometry();
        ReportPlaced();
        break;
      case UnmapNotify:
        Say("unmapped");
        break;
      case ConfigureNotify:
      case ReparentNotify:
        ReportGeometry();
        break;
      case FocusIn:
      case FocusOut:
        ReportFocus(event.xfocus);
        break;
      case ClientMessage:
        if (event.xclient.message_type == wm_protocols_ &&
            static_cast<Atom>(event.xclient.data.l[0]) == wm_delete_window_) {
          Say("close-requested");
          return false;
        }
        break;
      default:
        break;
    }
    return true;
  }

 private:
  Window Create() {
    const int screen = DefaultScreen(display_);
    const Window root = RootWindow(display_, screen);
    XSetWindowAttributes attributes{};
    unsigned long mask = CWEventMask | CWOverrideRedirect;
    attributes.event_mask = StructureNotifyMask | FocusChangeMask;
    attributes.override_redirect = options_.override_redirect ? True : False;
    Window window;
    if (options_.input_only) {
      window = XCreateWindow(display_, root, options_.x, options_.y, options_.width,
                             options_.height, 0, 0, InputOnly, CopyFromParent, mask,
                             &attributes);
    } else {
      attributes.background_pixel = WhitePixel(display_, screen);
      mask |= CWBackPixel;
      window = XCreateWindow(display_, root, options_.x, options_.y, options_.width,
                             options_.height, 0, CopyFromParent, InputOutput, CopyFromParent,
                             mask, &attributes);
    }
    SetProperties(window);
    if (options_.owner_title) {
      owner_ = XCreateSimpleWindow(display_, root, 0, 0, 1, 1, 0, 0, 0);
      XStoreName(display_, owner_, options_.owner_title->c_str());
      XSetTransientForHint(display_, window, owner_);
    }
    return window;
  }

  void SetProperties(Window window) {
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    // WM_NAME holds the title's bytes as they are, so that a test can look
    // for exactly what it passed.
    XChangeProperty(display_, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(options_.title.data()),
                    static_cast<int>(options_.title.size()));
    if (!options_.wm_name_only) {
      XChangeProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), utf8, 8,
                      PropModeReplace,
                      reinterpret_cast<const unsigned char*>(options_.title.data()),
                      static_cast<int>(options_.title.size()));
    }
    SetSizeHints(window, options_.position_given);
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(display_, window, &hints);
    XClassHint class_hint{const_cast<char*>(kClassName), const_cast<char*>(kClassName)};
    XSetClassHint(display_, window, &class_hint);
    wm_protocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
    wm_delete_window_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window, &wm_delete_window_, 1);
    const long pid = getpid();
    XChangeProperty(display_, window, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
  }

  // "placed" tells a test the window has come to rest where it will stay.
  // A window manager has placed it before mapping it; the position hint it
  // was asked with is then dropped, so that from now on the window claims
  // no position of its own, as a GTK 3 window does not.
  void ReportPlaced() {
    if (placed_ || !mapped_) return;
    placed_ = true;
    if (options_.position_given) {
      SetSizeHints(window_, /*with_position=*/false);
      XFlush(display_);
    }
    Say("placed");
  }

  // A minimum size of its own, and the position only while being placed.
  void SetSizeHints(Window window, bool with_position) {
    XSizeHints size{};
    size.flags = PMinSize | (with_position ? PPosition : 0);
    size.x = options_.x;
    size.y = options_.y;
    size.min_width = kMinWidth;
    size.min_height = kMinHeight;
    XSetWMNormalHints(display_, window, &size);
  }

  std::optional<Geometry> RootGeometry() {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, window_, &attributes) == 0) return std::nullopt;
    int x = 0;
    int y = 0;
    Window child;
    if (!XTranslateCoordinates(display_, window_, attributes.root, 0, 0, &x, &y, &child)) {
      return std::nullopt;
    }
    return Geometry{x, y, attributes.width, attributes.height};
  }

  void ReportGeometry() {
    const auto now = RootGeometry();
    if (!now || now == last_geometry_) return;
    last_geometry_ = now;
    Say("configure %d %d %d %d", now->x, now->y, now->width, now->height);
  }

  void ReportFocus(const XFocusChangeEvent& event) {
    // Focus passing through while the pointer moves says nothing about
    // whether this window has the keyboard.
    if (event.detail == NotifyPointer || event.detail == NotifyInferior) return;
    const bool focused = event.type == FocusIn;
    if (focused == focused_) return;
    focused_ = focused;
    Say(focused ? "focus-in" : "focus-out");
  }

  Display* display_;
  HostOptions options_;
  Window window_ = None;
  Window owner_ = None;  // never mapped
  Atom wm_protocols_ = None;
  Atom wm_delete_window_ = None;
  bool mapped_ = false;
  bool placed_ = false;
  bool focused_ = false;
  std::optional<Geometry> last_geometry_;
};

// Runs until a signal in `signals` arrives or the window is closed.
int Run(Display* display, const HostOptions& options, int signal_fd) {
  HostWindow window(display, options);
  pollfd fds[] = {{ConnectionNumber(display), POLLIN, 0}, {signal_fd, POLLIN, 0}};
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (!window.Handle(event)) return 0;
    }
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      std::perror("poll");
      return 1;
    }
    if ((fds[1].revents & POLLIN) != 0) return 0;
    if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) return 1;
  }
}

}  // namespace
}  // namespace brevolt::test_host

int main(int argc, char** argv) {
  using namespace brevolt::test_host;
  std::string error;
  const auto options = ParseHostOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "brevolt-test-host: %s\n%s", error.c_str(), kHostUsage);
    return 2;
  }
  // Termination arrives as a readable descriptor, so the window is
  // destroyed and the connection closed in order.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int signal_fd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (signal_fd < 0) {
    std::perror("signalfd");
    return 1;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "brevolt-test-host: cannot open display %s\n", XDisplayName(nullptr));
    return 1;
  }
  const int status = Run(display, *options, signal_fd);
  XCloseDisplay(display);
  close(signal_fd);
  return status;
}
