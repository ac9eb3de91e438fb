#include "platform/webbrowser/dispatch_args.h"

#include <oleauto.h>

namespace brevolt::platform::webbrowser {
namespace {

const VARIANT* RawArg(const DISPPARAMS* params, UINT position) {
  if (params == nullptr || params->rgvarg == nullptr || position >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - position];
}

// A VARIANT* argument arrives as a variant by reference to the variant
// that holds the value.
const VARIANT* Deref(const VARIANT* arg) {
  if (arg != nullptr && arg->vt == (VT_VARIANT | VT_BYREF)) return arg->pvarVal;
  return arg;
}

// DispGetParam finds the argument by its declared position and coerces it,
// by-reference variants included.
std::optional<VARIANT> Coerced(const DISPPARAMS* params, UINT position, VARTYPE type) {
  if (RawArg(params, position) == nullptr) return std::nullopt;
  VARIANT value;
  VariantInit(&value);
  UINT bad_arg = 0;
  if (FAILED(DispGetParam(const_cast<DISPPARAMS*>(params), position, type, &value, &bad_arg))) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<std::wstring> StringArg(const DISPPARAMS* params, UINT position) {
  // Text only: a number is no address, however it would print.
  const VARIANT* arg = Deref(RawArg(params, position));
  if (arg == nullptr) return std::nullopt;
  BSTR text = nullptr;
  if (arg->vt == VT_BSTR) {
    text = arg->bstrVal;
  } else if (arg->vt == (VT_BSTR | VT_BYREF) && arg->pbstrVal != nullptr) {
    text = *arg->pbstrVal;
  } else {
    return std::nullopt;
  }
  return std::wstring(text ? text : L"", SysStringLen(text));
}

std::optional<LONG> NumberArg(const DISPPARAMS* params, UINT position) {
  std::optional<VARIANT> value = Coerced(params, position, VT_I4);
  if (!value) return std::nullopt;
  return value->lVal;
}

IDispatch* ObjectArg(const DISPPARAMS* params, UINT position) {
  const VARIANT* arg = Deref(RawArg(params, position));
  if (arg == nullptr) return nullptr;
  if (arg->vt == VT_DISPATCH) return arg->pdispVal;
  if (arg->vt == (VT_DISPATCH | VT_BYREF) && arg->ppdispVal != nullptr) return *arg->ppdispVal;
  return nullptr;
}

VARIANT_BOOL* FlagArg(const DISPPARAMS* params, UINT position) {
  const VARIANT* arg = RawArg(params, position);
  if (arg == nullptr || arg->vt != (VT_BOOL | VT_BYREF)) return nullptr;
  return arg->pboolVal;
}

}  // namespace brevolt::platform::webbrowser
