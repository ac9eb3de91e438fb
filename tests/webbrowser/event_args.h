#pragma once
// Event arguments laid out the way the control lays them out: values or
// references in VARIANTs, last argument first in DISPPARAMS.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <algorithm>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/webbrowser/com_object.h"

namespace brevolt::test {

// A frame object as the control passes one: only its identity and its
// reference count matter to the sink.
class FrameObject : public platform::webbrowser::ComObject<IDispatch> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
  // The references others hold besides the test's own one.
  ULONG OtherReferences() {
    AddRef();
    return Release() - 1;
  }
};

// Owns the strings and referenced values an event's arguments point to.
class EventArgs {
 public:
  EventArgs() = default;
  ~EventArgs() {
    for (VARIANT& v : values_) VariantClear(&v);
    for (BSTR s : strings_) SysFreeString(s);
  }
  EventArgs(const EventArgs&) = delete;
  EventArgs& operator=(const EventArgs&) = delete;

  static VARIANT Object(IDispatch* object) {
    VARIANT v;
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    return v;
  }
  static VARIANT ObjectRef(IDispatch** object) {
    VARIANT v;
    v.vt = VT_DISPATCH | VT_BYREF;
    v.ppdispVal = object;
    return v;
  }
  static VARIANT FlagRef(VARIANT_BOOL* flag) {
    VARIANT v;
    v.vt = VT_BOOL | VT_BYREF;
    v.pboolVal = flag;
    return v;
  }
  static VARIANT Flag(bool value) {
    VARIANT v;
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
  }
  static VARIANT Number(LONG value) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
  }
  VARIANT Text(const std::wstring& text) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    strings_.push_back(v.bstrVal);
    return v;
  }
  // A VARIANT* argument: a variant by reference to a variant holding text.
  VARIANT TextRef(const std::wstring& text) { return Ref(Text(text)); }
  VARIANT NumberRef(LONG value) { return Ref(Number(value)); }
  VARIANT EmptyRef() {
    VARIANT empty;
    VariantInit(&empty);
    return Ref(empty);
  }

  // Arguments in the order the event declares them.
  DISPPARAMS Params(std::initializer_list<VARIANT> declared) {
    args_.assign(declared.begin(), declared.end());
    std::reverse(args_.begin(), args_.end());
    return DISPPARAMS{args_.data(), nullptr, static_cast<UINT>(args_.size()), 0};
  }

 private:
  VARIANT Ref(VARIANT value) {
    values_.push_back(value);
    if (value.vt == VT_BSTR) strings_.pop_back();  // now owned by values_
    VARIANT v;
    v.vt = VT_VARIANT | VT_BYREF;
    v.pvarVal = &values_.back();
    return v;
  }

  std::deque<VARIANT> values_;  // stays put while referenced
  std::vector<BSTR> strings_;
  std::vector<VARIANT> args_;
};

}  // namespace brevolt::test
