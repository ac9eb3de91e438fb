#pragma once
// Reading an event's arguments out of DISPPARAMS. The control passes them
// last first, some by value and some by reference; these take the position
// as the event declares it and look through either form.
#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <string>

namespace brevolt::platform::webbrowser {

// The argument at `position` as text; none when missing or not text.
std::optional<std::wstring> StringArg(const DISPPARAMS* params, UINT position);

// The argument at `position` as a number; none when missing or not a number.
std::optional<LONG> NumberArg(const DISPPARAMS* params, UINT position);

// The object argument at `position`, not AddRef'd; null when missing.
IDispatch* ObjectArg(const DISPPARAMS* params, UINT position);

// The out flag at `position` (a VARIANT_BOOL passed by reference); null when
// the control passed something else.
VARIANT_BOOL* FlagArg(const DISPPARAMS* params, UINT position);

}  // namespace brevolt::platform::webbrowser
