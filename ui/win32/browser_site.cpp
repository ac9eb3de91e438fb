#include "ui/win32/browser_site.h"

#include <ole2.h>

#include "platform/webbrowser/embedded_browser.h"
#include "platform/webbrowser/external_browser.h"

namespace brevolt::ui::win32 {
namespace {

// A plain child window: the control paints all of it, and clipping keeps
// the control inside.
ATOM RegisterSiteClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW site_class{};
    site_class.cbSize = sizeof(site_class);
    site_class.lpfnWndProc = DefWindowProcW;
    site_class.hInstance = GetModuleHandleW(nullptr);
    site_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    site_class.lpszClassName = kBrowserSiteClass;
    return RegisterClassExW(&site_class);
  }();
  return atom;
}

}  // namespace

BrowserSite::BrowserSite(::HWND parent_window, RECT place) {
  RegisterSiteClass();
  container_ = CreateWindowExW(0, kBrowserSiteClass, L"",
                               WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, parent_window,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
}

BrowserSite::~BrowserSite() {
  Release();
  if (container_ != nullptr) DestroyWindow(container_);
}

void BrowserSite::SetVisible(bool visible) {
  shown_ = visible;
  ShowWindow(container_, visible ? SW_SHOWNA : SW_HIDE);
}

void BrowserSite::SetPlace(RECT place) {
  // Made at its place, the site is usually there already when the window
  // is first laid out: a move would cost a round of messages before it shows.
  RECT now{};
  GetWindowRect(container_, &now);
  MapWindowPoints(nullptr, GetParent(container_), reinterpret_cast<POINT*>(&now), 2);
  if (!EqualRect(&now, &place)) {
    MoveWindow(container_, place.left, place.top, place.right - place.left,
               place.bottom - place.top, TRUE);
  }
  if (browser_) browser_->Fit();
}

void BrowserSite::SetDpi(int dpi) {
  dpi_ = dpi;
  if (browser_) browser_->SetDpi(dpi);
}

void BrowserSite::Navigate(const std::string& url) {
  if (!browser_) {
    if (!ole_started_) ole_started_ = SUCCEEDED(OleInitialize(nullptr));
    platform::webbrowser::KeepCookiesInMemory();
    // The handler is looked up at each notification, so it may be set or
    // changed after the control starts.
    browser_ = std::make_unique<platform::webbrowser::EmbeddedBrowser>(
        container_, GetAncestor(container_, GA_ROOT), dpi_,
        [this](std::shared_ptr<const WebFrame> frame, const std::string& address) {
          if (on_navigate_) on_navigate_(std::move(frame), address);
        },
        platform::webbrowser::OpenInDefaultBrowser);
  }
  browser_->Navigate(url);
}

bool BrowserSite::TranslateAccelerator(MSG* message) {
  if (!browser_ || message == nullptr || !Owns(message->hwnd)) return false;
  return browser_->PreTranslateMessage(message);
}

bool BrowserSite::Owns(::HWND window) const {
  return window != nullptr && (window == container_ || IsChild(container_, window));
}

void BrowserSite::TakeFocus() {
  if (browser_) browser_->Focus();
}

void BrowserSite::FrameActivated(bool active) {
  if (browser_) browser_->FrameWindowActivated(active);
}

void BrowserSite::Release() {
  // Text the user copied from the page is only promised to the clipboard
  // until the page goes: it is rendered now, so it outlives the process.
  if (ole_started_) OleFlushClipboard();
  browser_.reset();
  if (ole_started_) {
    OleUninitialize();
    ole_started_ = false;
  }
}

}  // namespace brevolt::ui::win32
