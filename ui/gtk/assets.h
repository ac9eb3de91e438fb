#pragma once
// The window's pictures, decoded from the resource bundle compiled into the
// program. Each loader throws Glib::Error (or std::runtime_error for a
// malformed bundle): a missing picture is a broken build, not a user error.
#include <gdkmm/cursor.h>
#include <gdkmm/display.h>
#include <gdkmm/pixbuf.h>

#include <vector>

namespace brevolt::ui {

// The offline sign-up panel, 495 x 356, opaque.
Glib::RefPtr<Gdk::Pixbuf> LoadPanelPicture();
// The same panel drawn at twice the size, for windows at a scale of 2.
Glib::RefPtr<Gdk::Pixbuf> LoadDoublePanelPicture();

struct CursorImage {
  Glib::RefPtr<Gdk::Pixbuf> pixbuf;
  int hot_x;
  int hot_y;
};

// The pointing hand and its hot spot as the cursor file states it; needs
// no display, so it can be checked without one.
CursorImage LoadHandCursorImage();

// The pointing hand as a cursor for the given display.
Glib::RefPtr<Gdk::Cursor> LoadHandCursor(const Glib::RefPtr<Gdk::Display>& display);

// The application icon, one image per size, smallest first, each the
// deepest colour the icon file holds at that size; for
// Gtk::Window::set_icon_list.
std::vector<Glib::RefPtr<Gdk::Pixbuf>> LoadIconImages();

}  // namespace brevolt::ui
