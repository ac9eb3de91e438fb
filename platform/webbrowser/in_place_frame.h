#pragma once
// The window the control sees as its frame while in place: ours has no
// menus, toolbars or status bar to share, so the control gets none.
#include <windows.h>
#include <oleidl.h>

#include "platform/webbrowser/com_object.h"

namespace brevolt::platform::webbrowser {

class InPlaceFrame : public ComObject<IOleInPlaceFrame> {
 public:
  explicit InPlaceFrame(::HWND top_level) : top_level_(top_level) {}

  // IOleWindow
  HRESULT STDMETHODCALLTYPE GetWindow(::HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
  // IOleInPlaceUIWindow
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
    return INPLACE_E_NOTOOLSPACE;
  }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override {
    return widths == nullptr ? S_OK : INPLACE_E_NOTOOLSPACE;
  }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
    return S_OK;
  }
  // IOleInPlaceFrame
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, ::HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 protected:
  void* ExtraInterface(REFIID riid) override;

 private:
  const ::HWND top_level_;
};

}  // namespace brevolt::platform::webbrowser
