#pragma once
#include <gtkmm/label.h>
#include <gtkmm/window.h>

namespace brevolt::ui {

// Style classes the window's widgets carry.
inline constexpr const char* kFieldClass = "brevolt-field";
inline constexpr const char* kCaptionClass = "brevolt-caption";

// Installs the window's look: borderless, paddingless fields that sit inside
// the frames drawn in the panel picture, and the Finish caption's font.
void InstallStyle(Gtk::Window& window);

// Keeps the caption readable on the drawn button under any theme: the
// theme's text colour where it contrasts enough with the button's face,
// otherwise the picture's own text colour.
void KeepCaptionReadable(Gtk::Label& caption);

}  // namespace brevolt::ui
