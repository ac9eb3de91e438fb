#include "platform/webbrowser/embedded_browser.h"

#include <oleauto.h>
#include <wininet.h>

#include <cstdio>

#include "app/texts.h"
#include "platform/webbrowser/wide_text.h"

namespace brevolt::platform::webbrowser {
namespace {

using Microsoft::WRL::ComPtr;

// Not in mingw's <wininet.h>: session cookies stay in memory and none is
// written to the user's profile, for every WinINet user in this process.
constexpr ::DWORD kSuppressCookiePersist = 3;

constexpr LONG kNavigateFlags = navNoHistory | navNoWriteToCache;
// The page's optical zoom is a percentage of its size at 96 dpi.
constexpr int kFullSize = 100;
constexpr int kDesignDpi = 96;

// What the process ends with after a run-time error.
constexpr UINT kRunTimeErrorStatus = 1;

// A failing control operation ends the program with a run-time error: its
// message, then a status that tells the product it failed, and no crash
// report.
void Check(HRESULT result, const char* operation) {
  if (SUCCEEDED(result)) return;
  char message[160];
  std::snprintf(message, sizeof message, "Run-time error: the web browser control failed to %s "
                "(0x%08lX).", operation, static_cast<unsigned long>(result));
  MessageBoxA(nullptr, message, kProductTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL);
  TerminateProcess(GetCurrentProcess(), kRunTimeErrorStatus);
}

}  // namespace

void KeepCookiesInMemory() {
  ::DWORD behaviour = kSuppressCookiePersist;
  // A system without the option (Wine 8 accepts and ignores it) keeps its
  // usual cookie store; clearing cookies afterwards would also take the
  // user's own for the site, so nothing more is done about it here.
  InternetSetOptionW(nullptr, INTERNET_OPTION_SUPPRESS_BEHAVIOR, &behaviour, sizeof behaviour);
}

EmbeddedBrowser::EmbeddedBrowser(::HWND container, ::HWND top_level, int dpi,
                                 NavigateCompleteHandler on_navigate_complete,
                                 OpenExternally open_externally)
    : container_(container), dpi_(dpi) {
  site_ = MakeCom<ControlSite>(container, top_level);
  Check(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(control_.GetAddressOf())),
        "start");
  Check(control_->SetClientSite(site_.Get()), "accept its site");
  Check(control_.As(&browser_), "offer IWebBrowser2");

  // No script error dialogs, and nothing dropped on it becomes a page.
  Check(browser_->put_Silent(VARIANT_TRUE), "go silent");
  Check(browser_->put_RegisterAsDropTarget(VARIANT_FALSE), "refuse dropped files");

  ComPtr<IConnectionPointContainer> points;
  Check(control_.As(&points), "offer its events");
  Check(points->FindConnectionPoint(DIID_DWebBrowserEvents2, events_point_.GetAddressOf()),
        "offer its events");
  // Each new page of the top frame is zoomed for the screen before the
  // program hears of it.
  events_ = MakeCom<BrowserEvents>(
      control_.Get(),
      [this, forward = std::move(on_navigate_complete)](std::shared_ptr<const WebFrame> frame,
                                                        const std::string& url) {
        if (frame && frame->top_page) Zoom();
        if (forward) forward(std::move(frame), url);
      },
      std::move(open_externally));
  Check(events_point_->Advise(events_.Get(), &events_cookie_), "report its events");

  RECT place;
  GetClientRect(container, &place);
  Check(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, container, &place),
        "take its place in the window");
}

void EmbeddedBrowser::Navigate(const std::string& url) {
  BSTR address = SysAllocString(Wide(url).c_str());
  VARIANT flags;
  VariantInit(&flags);
  flags.vt = VT_I4;
  flags.lVal = kNavigateFlags;
  VARIANT none;
  VariantInit(&none);
  const HRESULT result = browser_->Navigate(address, &flags, &none, &none, &none);
  SysFreeString(address);
  Check(result, "navigate");
  Zoom();
}

void EmbeddedBrowser::SetDpi(int dpi) {
  dpi_ = dpi;
  Zoom();
}

void EmbeddedBrowser::Zoom() {
  if (!browser_) return;
  VARIANT percent;
  VariantInit(&percent);
  percent.vt = VT_I4;
  percent.lVal = MulDiv(kFullSize, dpi_, kDesignDpi);
  // A control without optical zoom (or a page not far enough yet to take
  // it) shows the page at the system's scale: nothing to stop for.
  browser_->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &percent, nullptr);
}

void EmbeddedBrowser::Fit() {
  ComPtr<IOleInPlaceObject> in_place;
  if (!control_ || FAILED(control_.As(&in_place))) return;
  RECT place;
  GetClientRect(container_, &place);
  in_place->SetObjectRects(&place, &place);
}

bool EmbeddedBrowser::PreTranslateMessage(MSG* message) {
  if (!browser_ || message == nullptr) return false;
  if (message->message < WM_KEYFIRST || message->message > WM_KEYLAST) return false;
  ComPtr<IOleInPlaceActiveObject> active;
  if (FAILED(browser_.As(&active))) return false;
  return active->TranslateAccelerator(message) == S_OK;
}

void EmbeddedBrowser::Focus() {
  if (!control_) return;
  if (!ui_active_) {
    // A control that declines still works with the mouse.
    RECT place;
    GetClientRect(container_, &place);
    ui_active_ = SUCCEEDED(
        control_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_.Get(), 0, container_, &place));
  }
  ComPtr<IOleInPlaceObject> in_place;
  ::HWND window = nullptr;
  if (FAILED(control_.As(&in_place)) || FAILED(in_place->GetWindow(&window)) || !window) return;
  const ::HWND focus = GetFocus();
  // The field the user was typing in keeps the focus. Otherwise the
  // document's own window, the innermost of the control's, takes it: the
  // control's outer windows pass no keys to the page.
  if (focus == window || IsChild(window, focus)) return;
  ::HWND document = window;
  while (::HWND inner = GetWindow(document, GW_CHILD)) document = inner;
  SetFocus(document);
}

void EmbeddedBrowser::FrameWindowActivated(bool active) {
  ComPtr<IOleInPlaceActiveObject> active_object;
  if (browser_ && SUCCEEDED(browser_.As(&active_object))) {
    active_object->OnFrameWindowActivate(active ? TRUE : FALSE);
  }
}

void EmbeddedBrowser::Close() {
  if (events_point_) {
    events_point_->Unadvise(events_cookie_);
    events_point_.Reset();
  }
  if (browser_) {
    browser_->Stop();
    browser_.Reset();
  }
  if (control_) {
    ComPtr<IOleInPlaceObject> in_place;
    if (SUCCEEDED(control_.As(&in_place))) in_place->InPlaceDeactivate();
    control_->Close(OLECLOSE_NOSAVE);
    control_->SetClientSite(nullptr);
    control_.Reset();
  }
  site_.Reset();
  if (events_) {
    // An address that was never cached is simply not found.
    for (const std::wstring& url : events_->Visited()) DeleteUrlCacheEntryW(url.c_str());
    events_.Reset();
  }
}

}  // namespace brevolt::platform::webbrowser
