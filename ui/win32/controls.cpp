#include "ui/win32/controls.h"

namespace brevolt::ui::win32 {

void EditBox::SetVisible(bool visible) { ::ShowWindow(edit_, visible ? SW_SHOWNA : SW_HIDE); }

std::string EditBox::Text() const {
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(edit_)) + 1, '\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextA(edit_, text.data(),
                                                        static_cast<int>(text.size()))));
  return text;
}

void EditBox::SetText(const std::string& text) { ::SetWindowTextA(edit_, text.c_str()); }

void EditBox::SetFocus() { ::SetFocus(edit_); }

void PaintedControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  ::InvalidateRect(form_, &place_, TRUE);
}

}  // namespace brevolt::ui::win32
