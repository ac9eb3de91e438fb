#pragma once
// The handlers' controls over real GTK widgets.
#include <gtkmm/entry.h>
#include <gtkmm/widget.h>

#include "app/form_interfaces.h"

namespace brevolt::ui {

class WidgetControl : public Control {
 public:
  explicit WidgetControl(Gtk::Widget& widget) : widget_(widget) {}
  void SetVisible(bool visible) override { widget_.set_visible(visible); }

 private:
  Gtk::Widget& widget_;
};

class EntryTextBox : public TextBox {
 public:
  explicit EntryTextBox(Gtk::Entry& entry) : entry_(entry) {}
  void SetVisible(bool visible) override { entry_.set_visible(visible); }
  std::string Text() const override { return entry_.get_text(); }
  void SetText(const std::string& text) override { entry_.set_text(text); }
  void SetFocus() override { entry_.grab_focus(); }

 private:
  Gtk::Entry& entry_;
};

}  // namespace brevolt::ui
