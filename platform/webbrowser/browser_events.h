#pragma once
// The sink the control reports to (DWebBrowserEvents2). It hands each
// completed navigation to the window's handler and keeps the page from
// doing what a sign-up page has no business doing: opening windows,
// downloading files, or leaving the web.
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <set>
#include <string>

#include "app/web_frame.h"
#include "platform/webbrowser/com_object.h"

namespace brevolt::platform::webbrowser {

using OpenExternally = std::function<void(const std::wstring& url)>;

class BrowserEvents : public ComObject<IDispatch> {
 public:
  // top_page: the control's own identity (its IUnknown), compared with each
  // event's frame object to tell the page from its frames; not held, since
  // the control holds this sink.
  BrowserEvents(IUnknown* top_page, NavigateCompleteHandler on_navigate_complete,
                OpenExternally open_externally);

  // Every address the page and its frames went to or tried, for clearing
  // what the engine kept of them once the session is over.
  const std::set<std::wstring>& Visited() const { return visited_; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT* bad_arg) override;

 protected:
  void* ExtraInterface(REFIID riid) override;

 private:
  bool IsTopPage(IDispatch* frame) const;
  void BeforeNavigate(const DISPPARAMS* params);
  void NavigateComplete(const DISPPARAMS* params);
  void NavigateError(const DISPPARAMS* params);
  void NewWindow(const DISPPARAMS* params) const;
  void FileDownload(const DISPPARAMS* params) const;

  IUnknown* const top_page_;
  const NavigateCompleteHandler on_navigate_complete_;
  const OpenExternally open_externally_;
  std::set<std::wstring> visited_;
};

}  // namespace brevolt::platform::webbrowser
