#include "ui/win32/form_window.h"

#include "platform/win32/system_api.h"
#include "ui/layout.h"
#include "ui/win32/caption_colour.h"
#include "ui/win32/resource_ids.h"

namespace brevolt::ui::win32 {
namespace {

constexpr const char* kWindowClass = "BrevoltSignUp";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_WINDOWEDGE;
// The face the form was designed with, 8.25 points at 96 dpi; the font
// mapper picks a sans-serif face where it is missing.
constexpr const char* kFontFace = "MS Sans Serif";
constexpr int kFontHeight = -11;
// Room between a field's frame and its text.
constexpr int kFieldMargin = 2;
constexpr COLORREF kFieldText = RGB(0, 0, 0);

RECT PlaceOf(ControlId id) {
  const ControlLayout& c = LayoutOf(id);
  return RECT{c.x(), c.y(), c.x() + c.cx(), c.y() + c.cy()};
}

HFONT MakeFont(int weight) {
  return ::CreateFontA(kFontHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, kFontFace);
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_BREVOLT));
  wc.hIconSm = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_BREVOLT),
                                               IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  ::RegisterClassExA(&wc);
}

// The button face as the panel draws it, just inside the caption's place.
COLORREF ButtonFace(HBITMAP panel, const RECT& caption) {
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(memory, panel);
  const COLORREF face = ::GetPixel(memory, caption.left + 1, caption.top + 1);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return face;
}

}  // namespace

FormWindow::FormWindow(HINSTANCE instance) : instance_(instance) {
  RegisterWindowClass(instance, &FormWindow::WindowProc);
  panel_ = static_cast<HBITMAP>(::LoadImageA(instance, MAKEINTRESOURCEA(IDB_PANEL), IMAGE_BITMAP,
                                             0, 0, LR_CREATEDIBSECTION));
  hand_ = ::LoadCursorA(instance, MAKEINTRESOURCEA(IDC_FINISH_HAND));
  field_font_ = MakeFont(FW_NORMAL);
  caption_font_ = MakeFont(FW_BOLD);

  RECT outer{0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  hwnd_ = ::CreateWindowExA(kExStyle, kWindowClass, "", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                            instance, this);
  CreateControls(instance);
}

FormWindow::~FormWindow() {
  browser_.reset();
  if (hwnd_) ::DestroyWindow(hwnd_);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(panel_), static_cast<HGDIOBJ>(field_font_),
                         static_cast<HGDIOBJ>(caption_font_)}) {
    if (object) ::DeleteObject(object);
  }
}

void FormWindow::CreateControls(HINSTANCE instance) {
  // Children are created in tab order (each new one goes below the last), so
  // that Tab moves from the name to the e-mail field. Each field has a hidden
  // label just before it: screen readers name an edit after that label.
  auto make_field = [&](ControlId id, const char* accessible_name, bool visible) {
    const RECT place = PlaceOf(id);
    const int width = place.right - place.left, height = place.bottom - place.top;
    if (accessible_name) {
      ::CreateWindowExA(0, "STATIC", accessible_name, WS_CHILD, place.left, place.top, width,
                        height, hwnd_, nullptr, instance, nullptr);
    }
    // Unicode fields: the address and what is typed keep every character.
    ::HWND edit = ::CreateWindowExW(
        0, L"EDIT", L"", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL | (visible ? WS_VISIBLE : 0),
        place.left, place.top, width, height, hwnd_, nullptr, instance, nullptr);
    ::SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(field_font_), FALSE);
    ::SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                   MAKELPARAM(kFieldMargin, kFieldMargin));
    return std::make_unique<EditBox>(edit);
  };
  txt_name_ = make_field(ControlId::txtName, "Name", LayoutOf(ControlId::txtName).starts_visible);
  txt_email_ =
      make_field(ControlId::txtEmail, "Email", LayoutOf(ControlId::txtEmail).starts_visible);
  text1_ = make_field(ControlId::Text1, nullptr, LayoutOf(ControlId::Text1).starts_visible);
  text1_->SetText(std::string(kText1Initial));

  img_finish_ = std::make_unique<PaintedControl>(
      hwnd_, RECT{0, 0, kClientWidth, kClientHeight}, LayoutOf(ControlId::imgFinish).starts_visible);
  lbl_finish_ = std::make_unique<PaintedControl>(hwnd_, PlaceOf(ControlId::lblFinish),
                                                 LayoutOf(ControlId::lblFinish).starts_visible);
  caption_colour_ = CaptionColour(::GetSysColor(COLOR_WINDOWTEXT),
                                  ButtonFace(panel_, lbl_finish_->place()));

  browser_ = std::make_unique<BrowserSite>(hwnd_, PlaceOf(ControlId::WebBrowser1));
}

FormControls FormWindow::controls() {
  return FormControls{platform::win32::FromNative(hwnd_), *img_finish_, *txt_name_, *txt_email_,
                      *text1_, *lbl_finish_, *browser_};
}

void FormWindow::ShowCentred() {
  RECT outer, work;
  ::GetWindowRect(hwnd_, &outer);
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
  RestoreFocus();
}

void FormWindow::RestoreFocus() {
  if (!txt_name_) return;  // still being built
  if (browser_ && browser_->Shown()) {
    browser_->TakeFocus();  // online, the page keeps the keyboard
    return;
  }
  ::HWND target = focus_before_deactivation_;
  if (!target || !::IsWindowVisible(target)) {
    target = ::IsWindowVisible(txt_name_->hwnd()) ? txt_name_->hwnd() : nullptr;
  }
  if (target) ::SetFocus(target);
}

void FormWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd_, &ps);
  if (img_finish_->visible()) {
    // At natural size from the top-left corner; what lies below the client
    // area is cut off.
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, panel_);
    BITMAP size{};
    ::GetObjectA(panel_, sizeof size, &size);
    ::BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
  }
  if (lbl_finish_->visible()) {
    RECT place = lbl_finish_->place();
    HGDIOBJ old = ::SelectObject(dc, caption_font_);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, caption_colour_);
    const std::string caption(kFinishCaption);
    ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &place,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, old);
  }
  ::EndPaint(hwnd_, &ps);
}

bool FormWindow::SetCursorOverCaption() {
  if (!lbl_finish_) return false;
  POINT point;
  ::GetCursorPos(&point);
  ::ScreenToClient(hwnd_, &point);
  if (!lbl_finish_->Contains(point)) return false;
  ::SetCursor(hand_);
  return true;
}

LRESULT CALLBACK FormWindow::WindowProc(::HWND hwnd, UINT message, WPARAM wparam,
                                        LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return self ? self->Handle(message, wparam, lparam)
              : ::DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT FormWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      // The picture covers the whole client area when it shows.
      if (img_finish_ && img_finish_->visible()) return 1;
      break;
    case WM_CTLCOLOREDIT:
      ::SetTextColor(reinterpret_cast<HDC>(wparam), kFieldText);
      ::SetBkColor(reinterpret_cast<HDC>(wparam), ::GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
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
  return ::DefWindowProcA(hwnd_, message, wparam, lparam);
}

}  // namespace brevolt::ui::win32
