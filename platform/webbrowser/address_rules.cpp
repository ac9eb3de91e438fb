#include "platform/webbrowser/address_rules.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>

namespace brevolt::platform::webbrowser {
namespace {

constexpr std::array kPageSchemes = {URL_SCHEME_HTTP, URL_SCHEME_HTTPS, URL_SCHEME_ABOUT,
                                     URL_SCHEME_JAVASCRIPT};
constexpr std::array kExternalSchemes = {URL_SCHEME_HTTP, URL_SCHEME_HTTPS};

// The system's own URL parser names the scheme, whatever its case, the way
// the control itself reads the address; an unparsable address matches none.
template <std::size_t N>
bool SchemeIn(const std::wstring& url, const std::array<URL_SCHEME, N>& schemes) {
  PARSEDURLW parsed{};
  parsed.cbSize = sizeof(parsed);
  if (FAILED(ParseURLW(url.c_str(), &parsed))) return false;
  return std::find(schemes.begin(), schemes.end(), static_cast<URL_SCHEME>(parsed.nScheme)) !=
         schemes.end();
}

}  // namespace

bool IsAllowedPageAddress(const std::wstring& url) { return SchemeIn(url, kPageSchemes); }

bool IsExternalBrowserAddress(const std::wstring& url) { return SchemeIn(url, kExternalSchemes); }

}  // namespace brevolt::platform::webbrowser
