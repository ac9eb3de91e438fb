#pragma once
// The window's controls as the handlers see them: EDIT windows for the
// fields, and the picture and caption that the window paints itself.
#include <windows.h>

#include <string>

#include "app/form_interfaces.h"

namespace brevolt::ui::win32 {

// Moves a child window of `parent` to `place` (in its client coordinates)
// unless it is there already: children are made at their places, and
// before the first show each needless move is a round of messages the
// window waits on.
void PlaceChild(::HWND child, ::HWND parent, const RECT& place, BOOL repaint);

class EditBox : public TextBox {
 public:
  explicit EditBox(::HWND edit) : edit_(edit) {}
  void SetVisible(bool visible) override;
  std::string Text() const override;
  void SetText(const std::string& text) override;
  void SetFocus() override;
  ::HWND hwnd() const { return edit_; }

 private:
  ::HWND edit_;
};

// A control without a window of its own: the form paints it at `place`.
class PaintedControl : public Control {
 public:
  PaintedControl(::HWND form, RECT place, bool visible)
      : form_(form), place_(place), visible_(visible) {}
  void SetVisible(bool visible) override;
  bool visible() const { return visible_; }
  const RECT& place() const { return place_; }
  void SetPlace(const RECT& place) { place_ = place; }
  bool Contains(POINT point) const { return visible_ && ::PtInRect(&place_, point); }

 private:
  ::HWND form_;
  RECT place_;
  bool visible_;
};

}  // namespace brevolt::ui::win32
