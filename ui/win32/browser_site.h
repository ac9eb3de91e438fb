#pragma once
// WebBrowser1's place in the window: a child window at the layout's place,
// clipped by the client area, that the control fills once the online face
// asks for a page. Until then no part of the web engine is loaded.
#include <windows.h>

#include <memory>
#include <string>

#include "app/form_interfaces.h"

namespace brevolt::platform::webbrowser {
class EmbeddedBrowser;
}

namespace brevolt::ui::win32 {

// The window class of the site, the control's parent.
inline constexpr wchar_t kBrowserSiteClass[] = L"BrevoltBrowserSite";

class BrowserSite : public WebBrowserControl {
 public:
  // place: in the parent's client coordinates; may reach past its edges.
  BrowserSite(::HWND parent_window, RECT place);
  ~BrowserSite() override;
  BrowserSite(const BrowserSite&) = delete;
  BrowserSite& operator=(const BrowserSite&) = delete;

  // Called for the page and each frame in it once a navigation has reached
  // its address. The frame carries the control's frame object.
  void OnNavigateComplete(NavigateCompleteHandler handler) { on_navigate_ = std::move(handler); }

  void SetVisible(bool visible) override;
  // Moves the site, and the control in it, to a new place (at a new
  // resolution); in the parent's client coordinates.
  void SetPlace(RECT place);
  // The resolution the window is laid out at, for the page's zoom.
  void SetDpi(int dpi);
  // The first call creates the control; every call starts a navigation.
  void Navigate(const std::string& url) override;

  // For the window's message loop, before its own dialog keys: lets the page
  // handle its keys (Tab between fields, Enter to submit). True when used.
  bool TranslateAccelerator(MSG* message);

  // Whether `window` is the site or a window of the control inside it.
  bool Owns(::HWND window) const;

  // Once the window is visible, online: gives the page the keyboard.
  // Whether the page is the face shown.
  bool Shown() const { return shown_; }
  void TakeFocus();
  // The window holding the site was activated or deactivated.
  void FrameActivated(bool active);

  // Lets go of the control and of OLE. The program calls it on its way out;
  // the destructor does too.
  void Release();

  ::HWND window() const { return container_; }

 private:
  ::HWND container_;
  NavigateCompleteHandler on_navigate_;
  std::unique_ptr<platform::webbrowser::EmbeddedBrowser> browser_;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  bool ole_started_ = false;
  bool shown_ = false;
};

}  // namespace brevolt::ui::win32
