#include "ui/win32/form_window.h"

#include <utility>

#include "platform/win32/system_api.h"
#include "ui/layout.h"
#include "ui/scaling.h"
#include "ui/win32/caption_colour.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/window_dpi.h"

namespace brevolt::ui::win32 {
namespace {

constexpr const char* kWindowClass = "BrevoltSignUp";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_WINDOWEDGE;
// Room between a field's frame and its text, in design pixels.
constexpr int kFieldMargin = 2;

RECT ToRect(const ScaledRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

RECT PlaceOf(ControlId id, int dpi) {
  const bool field = id == ControlId::txtName || id == ControlId::txtEmail;
  return ToRect(field ? FieldPlaceAt(id, dpi) : PlaceAt(LayoutOf(id), dpi));
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  // The icons come with the resolution (ScaleTo).
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
  // Made at the session's resolution, then fitted to the one of the screen
  // the window landed on.
  const SIZE outer = OuterSizeFor(ClientSizeAt(SystemDpi()), kStyle, kExStyle, SystemDpi());
  hwnd_ = ::CreateWindowExA(kExStyle, kWindowClass, "", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.cx, outer.cy, nullptr, nullptr, instance, this);
  CreateControls(instance, SystemDpi());
  ScaleTo(WindowDpi(hwnd_), nullptr);
}

FormWindow::~FormWindow() {
  browser_.reset();
  if (hwnd_) ::DestroyWindow(hwnd_);
}

SIZE FormWindow::ClientSizeAt(int dpi) {
  return SIZE{TwipsToPixelsAt(kClientWidthTwips, dpi), TwipsToPixelsAt(kClientHeightTwips, dpi)};
}

void FormWindow::ScaleTo(int dpi, const RECT* suggested) {
  // The fields hold the old fonts until they are given the new ones.
  const auto previous = std::exchange(scaled_, std::make_unique<DpiResources>(instance_, dpi));
  const SIZE outer = OuterSizeFor(ClientSizeAt(dpi), kStyle, kExStyle, dpi);
  // Made at its size for the session's resolution, the window is usually
  // at it already: a resize to the same size still costs the window system
  // a round of messages before the first show.
  RECT now{};
  ::GetWindowRect(hwnd_, &now);
  if (suggested || now.right - now.left != outer.cx || now.bottom - now.top != outer.cy) {
    ::SetWindowPos(hwnd_, nullptr, suggested ? suggested->left : 0,
                   suggested ? suggested->top : 0, outer.cx, outer.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE));
  }
  const int margin = DesignPixelsAt(kFieldMargin, dpi);
  for (auto [field, id] : {std::pair{txt_name_.get(), ControlId::txtName},
                           {txt_email_.get(), ControlId::txtEmail},
                           {text1_.get(), ControlId::Text1}}) {
    ::SendMessageA(field->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(scaled_->field_font()),
                   FALSE);
    ::SendMessageA(field->hwnd(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                   MAKELPARAM(margin, margin));
    const RECT place = PlaceOf(id, dpi);
    PlaceChild(field->hwnd(), hwnd_, place, TRUE);
    // Each field's hidden label, which names it for screen readers, follows it.
    if (::HWND label = ::GetWindow(field->hwnd(), GW_HWNDPREV); label && id != ControlId::Text1) {
      PlaceChild(label, hwnd_, place, FALSE);
    }
  }
  img_finish_->SetPlace(RECT{0, 0, ClientSizeAt(dpi).cx, ClientSizeAt(dpi).cy});
  lbl_finish_->SetPlace(PlaceOf(ControlId::lblFinish, dpi));
  // Before the first show the icons go to the window's class, which the
  // system reads as it shows the window: each WM_SETICON has it rebuild
  // both icons then and there. Once shown they are sent too, and the class
  // takes them still, so that it never holds icons already destroyed.
  ::SetClassLongPtrA(hwnd_, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(scaled_->small_icon()));
  ::SetClassLongPtrA(hwnd_, GCLP_HICON, reinterpret_cast<LONG_PTR>(scaled_->large_icon()));
  if (::IsWindowVisible(hwnd_)) {
    ::SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(scaled_->small_icon()));
    ::SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(scaled_->large_icon()));
  }
  browser_->SetPlace(PlaceOf(ControlId::WebBrowser1, dpi));
  browser_->SetDpi(dpi);
  RefreshColours();
}

void FormWindow::RefreshColours() {
  if (!scaled_ || !lbl_finish_) return;  // still being built
  caption_colour_ = CaptionColour(::GetSysColor(COLOR_WINDOWTEXT),
                                  ButtonFace(scaled_->panel(), lbl_finish_->place()));
  ::RedrawWindow(hwnd_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void FormWindow::CreateControls(HINSTANCE instance, int dpi) {
  // Children are created in tab order (each new one goes below the last), so
  // that Tab moves from the name to the e-mail field. Each field has a hidden
  // label just before it: screen readers name an edit after that label.
  // Made at their places at `dpi`; fonts and margins, and places at another
  // resolution, come with the resolution (ScaleTo).
  auto make_field = [&](ControlId id, const char* accessible_name, bool visible) {
    const RECT place = PlaceOf(id, dpi);
    const int width = place.right - place.left, height = place.bottom - place.top;
    if (accessible_name) {
      ::CreateWindowExA(0, "STATIC", accessible_name, WS_CHILD, place.left, place.top, width,
                        height, hwnd_, nullptr, instance, nullptr);
    }
    // Unicode fields: the address and what is typed keep every character.
    ::HWND edit = ::CreateWindowExW(
        0, L"EDIT", L"", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL | (visible ? WS_VISIBLE : 0),
        place.left, place.top, width, height, hwnd_, nullptr, instance, nullptr);
    return std::make_unique<EditBox>(edit);
  };
  txt_name_ = make_field(ControlId::txtName, "Name", LayoutOf(ControlId::txtName).starts_visible);
  txt_email_ =
      make_field(ControlId::txtEmail, "Email", LayoutOf(ControlId::txtEmail).starts_visible);
  text1_ = make_field(ControlId::Text1, nullptr, LayoutOf(ControlId::Text1).starts_visible);
  text1_->SetText(std::string(kText1Initial));

  img_finish_ = std::make_unique<PaintedControl>(hwnd_, RECT{},
                                                 LayoutOf(ControlId::imgFinish).starts_visible);
  lbl_finish_ = std::make_unique<PaintedControl>(hwnd_, RECT{},
                                                 LayoutOf(ControlId::lblFinish).starts_visible);
  browser_ = std::make_unique<BrowserSite>(hwnd_, PlaceOf(ControlId::WebBrowser1, dpi));
}

FormControls FormWindow::controls() {
  return FormControls{platform::win32::FromNative(hwnd_), *img_finish_, *txt_name_, *txt_email_,
                      *text1_, *lbl_finish_, *browser_};
}

void FormWindow::CentreIn(const RECT& work) {
  RECT outer;
  ::GetWindowRect(hwnd_, &outer);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::ShowCentredOn(::HWND host) {
  // The product's screen is where its user looks; without a product, the
  // screen of the pointer.
  HMONITOR monitor = host ? ::MonitorFromWindow(host, MONITOR_DEFAULTTONULL) : nullptr;
  POINT pointer;
  if (monitor == nullptr && ::GetCursorPos(&pointer)) {
    monitor = ::MonitorFromPoint(pointer, MONITOR_DEFAULTTONULL);
  }
  if (monitor == nullptr) monitor = ::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoA(monitor, &info)) {
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &info.rcWork, 0);
  }
  // Laid out at that screen's resolution before the move, and again should
  // the move itself change it: a move across screens of different scales
  // suggests a place of its own, which would leave the window off-centre.
  placing_ = true;
  if (const int dpi = MonitorDpi(monitor, hwnd_); dpi != scaled_->dpi()) ScaleTo(dpi, nullptr);
  CentreIn(info.rcWork);
  if (const int dpi = WindowDpi(hwnd_); dpi != scaled_->dpi()) {
    ScaleTo(dpi, nullptr);
    CentreIn(info.rcWork);
  }
  placing_ = false;
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  // Windows gives the first showing whatever the launcher asked for in its
  // STARTUPINFO: a launcher that starts its helpers minimised or hidden
  // would leave the product hidden and this window out of sight.
  if (::IsIconic(hwnd_) || ::IsZoomed(hwnd_) || !::IsWindowVisible(hwnd_)) {
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  }
  // Painted from the message loop, which first lets the window system map
  // the window: painting here would hold the map back behind the picture.
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
    HGDIOBJ old = ::SelectObject(memory, scaled_->panel());
    BITMAP size{};
    ::GetObjectA(scaled_->panel(), sizeof size, &size);
    ::BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
  }
  if (lbl_finish_->visible()) {
    RECT place = lbl_finish_->place();
    HGDIOBJ old = ::SelectObject(dc, scaled_->caption_font());
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
  // Where the pointer was for the message being handled: always known.
  const DWORD at = ::GetMessagePos();
  POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  ::ScreenToClient(hwnd_, &point);
  if (!lbl_finish_->Contains(point)) return false;
  ::SetCursor(scaled_->hand());
  return true;
}

}  // namespace brevolt::ui::win32
