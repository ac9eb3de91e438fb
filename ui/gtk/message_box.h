#pragma once
#include <gtkmm/window.h>

#include "app/form_interfaces.h"

namespace brevolt::ui {

// A modal box over the program's window: text, one OK button, no icon.
class GtkMessageBoxes : public MessageBoxes {
 public:
  explicit GtkMessageBoxes(Gtk::Window& parent) : parent_(parent) {}
  void MsgBox(const std::string& prompt, UINT buttons, const std::string& title) override;

 private:
  Gtk::Window& parent_;
};

}  // namespace brevolt::ui
