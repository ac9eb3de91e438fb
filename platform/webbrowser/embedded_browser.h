#pragma once
// The platform's WebBrowser control, in place in a child window of ours.
// Creating one loads the web engine; nothing in this program does so before
// the online face asks for a page.
#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <oleidl.h>

#include <string>

#include <wrl/client.h>

#include "app/web_frame.h"
#include "platform/webbrowser/browser_events.h"
#include "platform/webbrowser/control_site.h"

namespace brevolt::platform::webbrowser {

class EmbeddedBrowser {
 public:
  // Creates the control filling `container` (a child of `top_level`) and
  // starts listening to it. OLE must be initialised on this thread. A
  // failure is fatal: the program reports it and ends.
  EmbeddedBrowser(::HWND container, ::HWND top_level, int dpi,
                  NavigateCompleteHandler on_navigate_complete, OpenExternally open_externally);
  ~EmbeddedBrowser() { Close(); }
  EmbeddedBrowser(const EmbeddedBrowser&) = delete;
  EmbeddedBrowser& operator=(const EmbeddedBrowser&) = delete;

  // Starts loading and returns at once. The page is kept out of the history
  // and the disk cache.
  void Navigate(const std::string& url);

  // The resolution of the screen the page is shown on; the page is zoomed
  // to it, as the system zooms nothing inside the control.
  void SetDpi(int dpi);

  // Fills the container again after it was resized.
  void Fit();

  // Gives the page its keys first (Tab between fields, Enter to submit);
  // true when the page used the message.
  bool PreTranslateMessage(MSG* message);

  // Makes the page the active object of the user interface, the first time
  // (so only once the window is visible: a control activated in a hidden
  // window may not take the focus), and puts the keyboard focus in its
  // window unless it is there already.
  void Focus();

  // IOleInPlaceActiveObject::OnFrameWindowActivate, as its container must.
  void FrameWindowActivated(bool active);

  // Stops listening, deactivates the control and lets go of it and of our
  // site, then removes from the system's web cache every page the session
  // went to: the first navigation asks the control not to cache, but the
  // page's own later navigations cannot, and Wine's control caches all.
  // Safe to call twice.
  void Close();

 private:
  void Zoom();

  ::HWND container_;
  int dpi_;
  Microsoft::WRL::ComPtr<ControlSite> site_;
  Microsoft::WRL::ComPtr<IOleObject> control_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
  Microsoft::WRL::ComPtr<BrowserEvents> events_;
  Microsoft::WRL::ComPtr<IConnectionPoint> events_point_;
  ::DWORD events_cookie_ = 0;
  bool ui_active_ = false;
};

// Keeps this process's cookies in memory only. Call before the control is
// created.
void KeepCookiesInMemory();

}  // namespace brevolt::platform::webbrowser
