#pragma once
#include <gtkmm/window.h>

namespace brevolt::ui {

// Style classes the window's widgets carry.
inline constexpr const char* kFieldClass = "brevolt-field";
inline constexpr const char* kCaptionClass = "brevolt-caption";

// Installs the window's look: borderless, paddingless fields that sit inside
// the frames drawn in the panel picture, and the Finish caption's font.
void InstallStyle(Gtk::Window& window);

}  // namespace brevolt::ui
