#pragma once
// The atoms the window search and the show/hide calls need, interned in one
// round trip.
#include <X11/Xlib.h>

namespace brevolt::platform {

struct X11Atoms {
  Atom wm_state;
  Atom net_wm_name;
  Atom utf8_string;
  Atom net_client_list;
  Atom net_client_list_stacking;
  Atom net_supporting_wm_check;
  Atom net_active_window;

  static X11Atoms Intern(Display* display);
};

}  // namespace brevolt::platform
