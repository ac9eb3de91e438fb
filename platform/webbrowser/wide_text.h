#pragma once
// The control speaks UTF-16; the handlers speak UTF-8.
#include <string>

namespace brevolt::platform::webbrowser {

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

}  // namespace brevolt::platform::webbrowser
