// What the window does with its messages: painting, the caption's click,
// focus, colour and resolution changes, and its close.
#include "ui/win32/form_window.h"

#include "ui/win32/caption_colour.h"

namespace brevolt::ui::win32 {
namespace {

constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED, Windows 8.1 and later

}  // namespace

LRESULT CALLBACK FormWindow::WindowProc(::HWND hwnd, UINT message, WPARAM wparam,
                                        LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return self ? self->Handle(hwnd, message, wparam, lparam)
              : ::DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT FormWindow::Handle(::HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      // The picture covers the whole client area when it shows.
      if (img_finish_ && img_finish_->visible()) return 1;
      break;
    case WM_CTLCOLOREDIT: {
      const FieldColours colours =
          FieldColoursFor(::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_WINDOW));
      ::SetTextColor(reinterpret_cast<HDC>(wparam), colours.text);
      ::SetBkColor(reinterpret_cast<HDC>(wparam), colours.background);
      return reinterpret_cast<LRESULT>(colours.system ? ::GetSysColorBrush(COLOR_WINDOW)
                                                      : ::GetStockObject(WHITE_BRUSH));
    }
    case kDpiChanged:
      // Where the system suggests, at our own size for the new resolution.
      ScaleTo(LOWORD(wparam), placing_ ? nullptr : reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_SYSCOLORCHANGE: {
      // Only top-level windows hear of it; the fields and the page's
      // control, inside the browser's site, need it too.
      const MSG change{hwnd, message, wparam, lparam, 0, {}};
      ::EnumChildWindows(
          hwnd,
          [](::HWND child, LPARAM forwarded) {
            const auto* m = reinterpret_cast<const MSG*>(forwarded);
            ::SendMessageA(child, m->message, m->wParam, m->lParam);
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&change));
      RefreshColours();
      return 0;
    }
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      // A high-contrast scheme switched on or off comes this way.
      RefreshColours();
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<::HWND>(wparam) == hwnd_ && LOWORD(lparam) == HTCLIENT &&
          SetCursorOverCaption()) {
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN: {
      // The caption acts on a click: press and release over it. Without
      // double-click messages, a quick second click arrives as a press too.
      const POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      finish_pressed_ = lbl_finish_->Contains(point);
      if (finish_pressed_) ::SetCapture(hwnd_);
      return 0;
    }
    case WM_LBUTTONUP: {
      const POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      const bool click = finish_pressed_ && lbl_finish_->Contains(point);
      finish_pressed_ = false;
      if (::GetCapture() == hwnd_) ::ReleaseCapture();
      if (click && on_finish_click_) on_finish_click_();
      return 0;
    }
    case WM_CAPTURECHANGED:
      finish_pressed_ = false;
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        ::HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd_, focus)) focus_before_deactivation_ = focus;
      }
      if (browser_) browser_->FrameActivated(LOWORD(wparam) != WA_INACTIVE);
      break;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_CLOSE:
      if (on_close_) on_close_();
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace brevolt::ui::win32
