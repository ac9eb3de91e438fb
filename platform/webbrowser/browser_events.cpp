#include "platform/webbrowser/browser_events.h"

#include <exdisp.h>
#include <exdispid.h>

#include <memory>
#include <utility>

#include "platform/webbrowser/address_rules.h"
#include "platform/webbrowser/dispatch_args.h"
#include "platform/webbrowser/web_frame.h"
#include "platform/webbrowser/wide_text.h"

namespace brevolt::platform::webbrowser {
namespace {

// Argument positions as each event declares them.
namespace before_navigate2 {
constexpr UINT kFrame = 0, kUrl = 1, kCancel = 6;
}
namespace navigate_complete2 {
constexpr UINT kFrame = 0, kUrl = 1;
}
namespace navigate_error {
constexpr UINT kUrl = 1;
}
namespace new_window3 {
constexpr UINT kCancel = 1, kFlags = 2, kUrl = 4;
}
namespace window_closing {
constexpr UINT kCancel = 1;
}
namespace file_download {
constexpr UINT kActiveDocument = 0, kCancel = 1;
}

// NWMF_USERINITED: the new window comes from the user's own click or key,
// not from a script acting alone. mingw's headers do not declare it.
constexpr LONG kUserInitiated = 0x2;

void Cancel(VARIANT_BOOL* flag) {
  if (flag != nullptr) *flag = VARIANT_TRUE;
}

IUnknown* Identity(IUnknown* object) {
  IUnknown* identity = nullptr;
  if (object == nullptr || FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(
                                                                           &identity)))) {
    return nullptr;
  }
  identity->Release();  // only compared, never used
  return identity;
}

}  // namespace

BrowserEvents::BrowserEvents(IUnknown* top_page, NavigateCompleteHandler on_navigate_complete,
                             OpenExternally open_externally)
    : top_page_(Identity(top_page)),
      on_navigate_complete_(std::move(on_navigate_complete)),
      open_externally_(std::move(open_externally)) {}

void* BrowserEvents::ExtraInterface(REFIID riid) {
  return riid == DIID_DWebBrowserEvents2 ? static_cast<IDispatch*>(this) : nullptr;
}

HRESULT BrowserEvents::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT BrowserEvents::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT BrowserEvents::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT BrowserEvents::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                              EXCEPINFO*, UINT*) {
  switch (member) {
    case DISPID_BEFORENAVIGATE2:
      BeforeNavigate(params);
      return S_OK;
    case DISPID_NAVIGATECOMPLETE2:
      NavigateComplete(params);
      return S_OK;
    case DISPID_NEWWINDOW3:
      NewWindow(params);
      return S_OK;
    case DISPID_FILEDOWNLOAD:
      FileDownload(params);
      return S_OK;
    case DISPID_NAVIGATEERROR:
      NavigateError(params);
      return S_OK;
    case DISPID_WINDOWCLOSING:
      // The page's window.close(): without this the control asks the user
      // whether to close, and on yes leaves an empty window with the
      // product still hidden. The window closes only as the user closes it.
      Cancel(FlagArg(params, window_closing::kCancel));
      return S_OK;
    default:
      return S_OK;
  }
}

bool BrowserEvents::IsTopPage(IDispatch* frame) const {
  return top_page_ != nullptr && Identity(frame) == top_page_;
}

void BrowserEvents::BeforeNavigate(const DISPPARAMS* params) {
  using namespace before_navigate2;
  const std::optional<std::wstring> url = StringArg(params, kUrl);
  if (!url || !IsAllowedPageAddress(*url)) {
    Cancel(FlagArg(params, kCancel));
    return;
  }
  visited_.insert(*url);
}

void BrowserEvents::NavigateComplete(const DISPPARAMS* params) {
  using namespace navigate_complete2;
  const std::optional<std::wstring> url = StringArg(params, kUrl);
  if (!url) return;
  visited_.insert(*url);
  if (!on_navigate_complete_) return;
  IDispatch* frame = ObjectArg(params, kFrame);
  // The frame object lives as long as the handler holds the notification's
  // frame, and no longer.
  on_navigate_complete_(std::make_shared<const ComWebFrame>(IsTopPage(frame), frame), Utf8(*url));
}

void BrowserEvents::NavigateError(const DISPPARAMS* params) {
  // A page that cannot be shown is no completion, and the control shows
  // what it shows; but what it fetched may still be in its cache.
  const std::optional<std::wstring> url = StringArg(params, navigate_error::kUrl);
  if (url) visited_.insert(*url);
}

void BrowserEvents::NewWindow(const DISPPARAMS* params) const {
  using namespace new_window3;
  Cancel(FlagArg(params, kCancel));
  const std::optional<LONG> flags = NumberArg(params, kFlags);
  const std::optional<std::wstring> url = StringArg(params, kUrl);
  if (flags && (*flags & kUserInitiated) != 0 && url && IsExternalBrowserAddress(*url) &&
      open_externally_) {
    open_externally_(*url);
  }
}

void BrowserEvents::FileDownload(const DISPPARAMS* params) const {
  using namespace file_download;
  // The control announces every document it is about to show this way too;
  // only what it would otherwise save to disk is stopped.
  const std::optional<LONG> active_document = NumberArg(params, kActiveDocument);
  if (active_document && *active_document != 0) return;
  Cancel(FlagArg(params, kCancel));
}

}  // namespace brevolt::platform::webbrowser
