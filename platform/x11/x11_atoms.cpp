#include "platform/x11/x11_atoms.h"

namespace brevolt::platform {

X11Atoms X11Atoms::Intern(Display* display) {
  char* names[] = {
      const_cast<char*>("WM_STATE"),
      const_cast<char*>("_NET_WM_NAME"),
      const_cast<char*>("UTF8_STRING"),
      const_cast<char*>("_NET_CLIENT_LIST"),
      const_cast<char*>("_NET_CLIENT_LIST_STACKING"),
      const_cast<char*>("_NET_SUPPORTING_WM_CHECK"),
      const_cast<char*>("_NET_ACTIVE_WINDOW"),
  };
  constexpr int kCount = sizeof(names) / sizeof(names[0]);
  Atom atoms[kCount] = {};
  // Created if missing: a property can only be compared against a real atom,
  // and an atom nobody uses simply matches nothing.
  XInternAtoms(display, names, kCount, False, atoms);
  return X11Atoms{atoms[0], atoms[1], atoms[2], atoms[3], atoms[4], atoms[5], atoms[6]};
}

}  // namespace brevolt::platform
