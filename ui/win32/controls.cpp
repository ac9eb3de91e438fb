#include "ui/win32/controls.h"

#include "platform/webbrowser/wide_text.h"

namespace brevolt::ui::win32 {

void PlaceChild(::HWND child, ::HWND parent, const RECT& place, BOOL repaint) {
  RECT now{};
  ::GetWindowRect(child, &now);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&now), 2);
  if (::EqualRect(&now, &place)) return;
  ::MoveWindow(child, place.left, place.top, place.right - place.left, place.bottom - place.top,
               repaint);
}

void EditBox::SetVisible(bool visible) { ::ShowWindow(edit_, visible ? SW_SHOWNA : SW_HIDE); }

std::string EditBox::Text() const {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(edit_)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(edit_, text.data(),
                                                        static_cast<int>(text.size()))));
  return platform::webbrowser::Utf8(text);
}

// The handlers' text is UTF-8: the address reported by the page, above all,
// may hold any character.
void EditBox::SetText(const std::string& text) {
  ::SetWindowTextW(edit_, platform::webbrowser::Wide(text).c_str());
}

void EditBox::SetFocus() { ::SetFocus(edit_); }

void PaintedControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  ::InvalidateRect(form_, &place_, TRUE);
}

}  // namespace brevolt::ui::win32
