#pragma once
#include <array>

namespace brevolt::platform {

// Process-wide settings that must be in place before GTK starts (and that
// the web engine's helper processes inherit): GDK's X11 backend, nothing
// written to disk by GL, settings or media caches, and no session bus
// started where the session has none.
void ApplyProcessSettings();

// One environment variable set by ApplyProcessSettings. Those that keep
// files from being written replace whatever the user set; the others only
// fill in a default the user may override.
struct EnvironmentSetting {
  const char* name;
  const char* value;
  bool replaces_user_value;
};

// The session bus's address, and the value that makes GLib and libdbus give
// up on it instead of launching a bus of their own.
inline constexpr const char* kSessionBusVariable = "DBUS_SESSION_BUS_ADDRESS";
inline constexpr const char* kNoSessionBus = "disabled:";

inline constexpr std::array kProcessEnvironment = {
    // GL shader caches would land in $XDG_CACHE_HOME/mesa_shader_cache.
    EnvironmentSetting{"MESA_SHADER_CACHE_DISABLE", "true", true},
    // dconf writes $XDG_RUNTIME_DIR/dconf/user as soon as settings are read.
    EnvironmentSetting{"GSETTINGS_BACKEND", "memory", true},
    // GStreamer writes its plug-in registry to $XDG_CACHE_HOME on first use.
    EnvironmentSetting{"GST_REGISTRY_DISABLE", "yes", true},
    // GDK's GL probe loads Mesa and LLVM for a window that never draws with GL.
    EnvironmentSetting{"GDK_GL", "disable", false},
    // The DMA-BUF renderer costs memory and an extra window without a GPU.
    EnvironmentSetting{"WEBKIT_DISABLE_DMABUF_RENDERER", "1", false},
};

}  // namespace brevolt::platform
