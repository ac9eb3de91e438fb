#pragma once

namespace brevolt::platform {

// Process-wide settings that must be in place before GTK starts (and that
// the web engine's helper processes inherit): GDK's X11 backend, and nothing
// written to disk by GL, settings or media caches.
void ApplyProcessSettings();

}  // namespace brevolt::platform
