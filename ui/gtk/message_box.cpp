#include "ui/gtk/message_box.h"

#include <gtkmm/messagedialog.h>

namespace brevolt::ui {

void GtkMessageBoxes::MsgBox(const std::string& prompt, UINT /*buttons*/,
                             const std::string& title) {
  // OK is the only button style the window asks for.
  Gtk::MessageDialog box(parent_, prompt, /*use_markup=*/false, Gtk::MESSAGE_OTHER,
                         Gtk::BUTTONS_OK, /*modal=*/true);
  box.set_title(title);
  box.set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
  box.set_resizable(false);
  box.run();
}

}  // namespace brevolt::ui
