#pragma once
// A stand-in for the WebBrowser control, registered in this process in
// place of the real one, so the program's own hosting code creates it. It
// fires events through the sink it was given, as the control does, and
// notes every way it is torn down while one of its events is on the stack:
// closing a control inside its own event is a crash on real Windows.
// Outside namespace brevolt: its Win32 shapes are the system's.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <oleidl.h>

#include <string>
#include <vector>

#include <wrl/client.h>

#include "platform/webbrowser/com_object.h"
#include "tests/webbrowser/event_args.h"

namespace webbrowser_fake {

using brevolt::platform::webbrowser::ComObject;
using brevolt::platform::webbrowser::MakeCom;
using Microsoft::WRL::ComPtr;

// What happened to the control, kept apart from it so it outlives it.
struct History {
  int firing = 0;  // events of the control on the stack
  std::vector<std::string> done_inside_event;
  bool closed = false, unadvised = false, released = false;
  ComPtr<IDispatch> sink;
  std::vector<LONG> optical_zooms;  // each ExecWB(OLECMDID_OPTICAL_ZOOM)

  void Note(const char* what, bool& flag) {
    flag = true;
    if (firing > 0) done_inside_event.emplace_back(what);
  }
};

#define FAKE_STUB(name, ...) \
  HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return E_NOTIMPL; }

class EventPoint : public ComObject<IConnectionPoint> {
 public:
  explicit EventPoint(History& history) : history_(history) {}
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink == nullptr || FAILED(sink->QueryInterface(IID_PPV_ARGS(&history_.sink)))) {
      return E_FAIL;
    }
    *cookie = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override {
    history_.Note("unadvised", history_.unadvised);
    history_.sink.Reset();
    return S_OK;
  }
  FAKE_STUB(GetConnectionInterface, IID*)
  FAKE_STUB(GetConnectionPointContainer, IConnectionPointContainer**)
  FAKE_STUB(EnumConnections, IEnumConnections**)

 private:
  History& history_;
};

class Control
    : public ComObject<IOleObject, IWebBrowser2, IConnectionPointContainer, IOleInPlaceObject> {
 public:
  explicit Control(History& history) : history_(history) {}
  ~Control() override { history_.Note("released to zero", history_.released); }

  // Fires NavigateComplete2 for `frame` as the control does: through the
  // advised sink, holding itself and the sink until the sink returns.
  // Returns false once the control is gone.
  static bool NavigateComplete(Control* control, IDispatch* frame, const std::wstring& url) {
    History& history = control->history_;
    if (history.released) return false;
    ComPtr<IDispatch> sink = history.sink;
    if (!sink) return true;
    brevolt::test::EventArgs args;
    DISPPARAMS params =
        args.Params({brevolt::test::EventArgs::Object(frame), args.TextRef(url)});
    control->AddRef();
    ++history.firing;
    sink->Invoke(DISPID_NAVIGATECOMPLETE2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                 nullptr, nullptr, nullptr);
    control->Release();  // the last reference, if the program let go meanwhile
    --history.firing;
    return !history.released;
  }

  // Fires WindowClosing as the page's window.close() makes the control do;
  // true when the sink cancelled it.
  static bool WindowClosing(Control* control) {
    ComPtr<IDispatch> sink = control->history_.sink;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    brevolt::test::EventArgs args;
    DISPPARAMS params = args.Params({brevolt::test::EventArgs::Flag(false),
                                     brevolt::test::EventArgs::FlagRef(&cancel)});
    if (sink) {
      sink->Invoke(DISPID_WINDOWCLOSING, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                   nullptr, nullptr, nullptr);
    }
    return cancel == VARIANT_TRUE;
  }

  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID command, OLECMDEXECOPT, VARIANT* in,
                                   VARIANT*) override {
    if (command != OLECMDID_OPTICAL_ZOOM || in == nullptr || in->vt != VT_I4) return E_INVALIDARG;
    history_.optical_zooms.push_back(in->lVal);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override {
    history_.Note("closed", history_.closed);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, ::HWND, LPCRECT) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
    bool deactivated = false;
    history_.Note("deactivated", deactivated);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    if (iid != DIID_DWebBrowserEvents2) return E_NOINTERFACE;
    *point = MakeCom<EventPoint>(history_).Detach();
    return S_OK;
  }
  FAKE_STUB(EnumConnectionPoints, IEnumConnectionPoints**)
  FAKE_STUB(GetWindow, ::HWND*) FAKE_STUB(ContextSensitiveHelp, WINBOOL)
  FAKE_STUB(GetTypeInfoCount, UINT*) FAKE_STUB(GetTypeInfo, UINT, LCID, ITypeInfo**)
  FAKE_STUB(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
  FAKE_STUB(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
  FAKE_STUB(GoBack) FAKE_STUB(GoForward) FAKE_STUB(GoHome) FAKE_STUB(GoSearch) FAKE_STUB(Refresh)
  FAKE_STUB(Refresh2, VARIANT*) FAKE_STUB(get_Application, IDispatch**)
  FAKE_STUB(get_Parent, IDispatch**) FAKE_STUB(get_Container, IDispatch**)
  FAKE_STUB(get_Document, IDispatch**) FAKE_STUB(get_TopLevelContainer, VARIANT_BOOL*)
  FAKE_STUB(get_Type, BSTR*) FAKE_STUB(get_Left, LONG*) FAKE_STUB(put_Left, LONG)
  FAKE_STUB(get_Top, LONG*) FAKE_STUB(put_Top, LONG) FAKE_STUB(get_Width, LONG*)
  FAKE_STUB(put_Width, LONG) FAKE_STUB(get_Height, LONG*) FAKE_STUB(put_Height, LONG)
  FAKE_STUB(get_LocationName, BSTR*) FAKE_STUB(get_LocationURL, BSTR*)
  FAKE_STUB(get_Busy, VARIANT_BOOL*) FAKE_STUB(Quit) FAKE_STUB(ClientToWindow, int*, int*)
  FAKE_STUB(PutProperty, BSTR, VARIANT) FAKE_STUB(GetProperty, BSTR, VARIANT*)
  FAKE_STUB(get_Name, BSTR*) FAKE_STUB(get_HWND, SHANDLE_PTR*) FAKE_STUB(get_FullName, BSTR*)
  FAKE_STUB(get_Path, BSTR*) FAKE_STUB(get_Visible, VARIANT_BOOL*)
  FAKE_STUB(put_Visible, VARIANT_BOOL) FAKE_STUB(get_StatusBar, VARIANT_BOOL*)
  FAKE_STUB(put_StatusBar, VARIANT_BOOL) FAKE_STUB(get_StatusText, BSTR*)
  FAKE_STUB(put_StatusText, BSTR) FAKE_STUB(get_ToolBar, int*) FAKE_STUB(put_ToolBar, int)
  FAKE_STUB(get_MenuBar, VARIANT_BOOL*) FAKE_STUB(put_MenuBar, VARIANT_BOOL)
  FAKE_STUB(get_FullScreen, VARIANT_BOOL*) FAKE_STUB(put_FullScreen, VARIANT_BOOL)
  FAKE_STUB(Navigate2, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
  FAKE_STUB(QueryStatusWB, OLECMDID, OLECMDF*)
  FAKE_STUB(ShowBrowserBar, VARIANT*, VARIANT*, VARIANT*) FAKE_STUB(get_ReadyState, READYSTATE*)
  FAKE_STUB(get_Offline, VARIANT_BOOL*) FAKE_STUB(put_Offline, VARIANT_BOOL)
  FAKE_STUB(get_Silent, VARIANT_BOOL*) FAKE_STUB(get_RegisterAsBrowser, VARIANT_BOOL*)
  FAKE_STUB(put_RegisterAsBrowser, VARIANT_BOOL) FAKE_STUB(get_RegisterAsDropTarget, VARIANT_BOOL*)
  FAKE_STUB(get_TheaterMode, VARIANT_BOOL*) FAKE_STUB(put_TheaterMode, VARIANT_BOOL)
  FAKE_STUB(get_AddressBar, VARIANT_BOOL*) FAKE_STUB(put_AddressBar, VARIANT_BOOL)
  FAKE_STUB(get_Resizable, VARIANT_BOOL*) FAKE_STUB(put_Resizable, VARIANT_BOOL)
  FAKE_STUB(GetClientSite, IOleClientSite**) FAKE_STUB(SetHostNames, LPCOLESTR, LPCOLESTR)
  FAKE_STUB(SetMoniker, DWORD, IMoniker*) FAKE_STUB(GetMoniker, DWORD, DWORD, IMoniker**)
  FAKE_STUB(InitFromData, IDataObject*, WINBOOL, DWORD)
  FAKE_STUB(GetClipboardData, DWORD, IDataObject**) FAKE_STUB(EnumVerbs, IEnumOLEVERB**)
  FAKE_STUB(Update) FAKE_STUB(IsUpToDate) FAKE_STUB(GetUserClassID, CLSID*)
  FAKE_STUB(GetUserType, DWORD, LPOLESTR*) FAKE_STUB(SetExtent, DWORD, SIZEL*)
  FAKE_STUB(GetExtent, DWORD, SIZEL*) FAKE_STUB(Advise, IAdviseSink*, DWORD*)
  FAKE_STUB(Unadvise, DWORD) FAKE_STUB(EnumAdvise, IEnumSTATDATA**)
  FAKE_STUB(GetMiscStatus, DWORD, DWORD*) FAKE_STUB(SetColorScheme, LOGPALETTE*)
  FAKE_STUB(UIDeactivate) FAKE_STUB(SetObjectRects, LPCRECT, LPCRECT) FAKE_STUB(ReactivateAndUndo)

 protected:
  void* ExtraInterface(REFIID riid) override {
    if (riid == IID_IDispatch || riid == IID_IWebBrowser || riid == IID_IWebBrowserApp) {
      return static_cast<IWebBrowser2*>(this);
    }
    return riid == IID_IOleWindow ? static_cast<IOleInPlaceObject*>(this) : nullptr;
  }

 private:
  History& history_;
};

// Makes the stand-in wherever the program asks for the WebBrowser control.
class Factory : public ComObject<IClassFactory> {
 public:
  explicit Factory(History& history) : history_(history) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** object) override {
    ComPtr<Control> control = MakeCom<Control>(history_);
    made = control.Get();
    return control->QueryInterface(iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(WINBOOL) override { return S_OK; }

  Control* made = nullptr;  // not held: the program holds it

 private:
  History& history_;
};

#undef FAKE_STUB

}  // namespace webbrowser_fake
