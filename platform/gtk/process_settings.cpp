#include "platform/gtk/process_settings.h"

#include <gdk/gdk.h>

#include <cstdlib>

namespace brevolt::platform {

void ApplyProcessSettings() {
  // The window code speaks Xlib to find and move other programs' windows.
  gdk_set_allowed_backends("x11");
  for (const EnvironmentSetting& setting : kProcessEnvironment) {
    setenv(setting.name, setting.value, setting.replaces_user_value ? 1 : 0);
  }
}

}  // namespace brevolt::platform
