#pragma once
// What both floors share with the program's window: the client size, no
// resizing, centred on the screen.
#include <gtkmm/window.h>

#include "ui/layout.h"

namespace brevolt::bench {

inline constexpr int kClientWidth = ui::kClientWidth;
inline constexpr int kClientHeight = ui::kClientHeight;
// Roughly where the name field sits; the place does not change the cost.
inline constexpr int kEntryX = 207;
inline constexpr int kEntryY = 168;

inline void ShapeLikeTheProgram(Gtk::Window& window) {
  window.set_resizable(false);
  window.set_position(Gtk::WIN_POS_CENTER);
}

}  // namespace brevolt::bench
