#pragma once
// Widgets that tell assistive technology what the panel picture shows only
// as pixels: which fields are required, that the Finish caption is a button,
// and which widgets are no business of a screen reader's.
#include <gtkmm/entry.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/layout.h>

#include <functional>

namespace brevolt::ui {

// A text field announced as required.
class RequiredEntry : public Gtk::Entry {
 public:
  RequiredEntry();
};

// The Finish caption, presented as the push button it is drawn as. Its
// "click" action runs what a mouse click runs; like the caption it stays
// out of the keyboard's way and takes no focus.
class CaptionButton : public Gtk::EventBox {
 public:
  CaptionButton();
  ~CaptionButton() override;
  void OnClick(std::function<void()> handler) { on_click_ = std::move(handler); }
  void Click();

 private:
  std::function<void()> on_click_;
};

// A fixed-position client area that leaves the widgets passed to
// KeepOutOfAccessibleTree out of its accessible children.
class ClientArea : public Gtk::Layout {
 public:
  ClientArea();
};

void KeepOutOfAccessibleTree(Gtk::Widget& widget);

}  // namespace brevolt::ui
