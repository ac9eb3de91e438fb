#include "platform/gtk/process_settings.h"

#include <gdk/gdk.h>

#include <cstdlib>
#include <string>

namespace brevolt::platform {

namespace {

// With no session bus to be found, GLib and libdbus autolaunch one for GTK's
// accessibility bridge: that writes ~/.dbus/session-bus/ and leaves a bus
// daemon and the accessibility services running after the program ends. The
// bridge still finds a bus that a screen reader's session announced on the
// X root window, so nothing is lost by refusing to start one of our own.
void RefuseToAutolaunchSessionBus() {
  if (getenv(kSessionBusVariable) != nullptr) return;
  // Where a session's bus lives when its address is not announced.
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0' &&
      g_file_test((std::string(runtime) + "/bus").c_str(), G_FILE_TEST_EXISTS)) {
    return;
  }
  setenv(kSessionBusVariable, kNoSessionBus, 1);
}

}  // namespace

void ApplyProcessSettings() {
  // The window code speaks Xlib to find and move other programs' windows.
  gdk_set_allowed_backends("x11");
  for (const EnvironmentSetting& setting : kProcessEnvironment) {
    setenv(setting.name, setting.value, setting.replaces_user_value ? 1 : 0);
  }
  RefuseToAutolaunchSessionBus();
}

}  // namespace brevolt::platform
