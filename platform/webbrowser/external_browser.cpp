#include "platform/webbrowser/external_browser.h"

#include <windows.h>
#include <shellapi.h>

namespace brevolt::platform::webbrowser {

void OpenInDefaultBrowser(const std::wstring& url) {
  ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace brevolt::platform::webbrowser
