#include "platform/webkit/navigation_policy.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <string>

namespace brevolt::platform::webkit {
namespace {

constexpr std::array<std::string_view, 4> kTopPageSchemes = {"http", "https", "about", "data"};
constexpr std::array<std::string_view, 5> kFrameSchemes = {"http", "https", "about", "data",
                                                           "blob"};
constexpr std::array<std::string_view, 2> kExternalSchemes = {"http", "https"};

// g_uri_parse_scheme lower-cases and rejects anything that is not a valid
// scheme, so "FILE:" and " file:" cannot slip past a plain prefix test.
template <std::size_t N>
bool SchemeIn(std::string_view uri, const std::array<std::string_view, N>& schemes) {
  const std::string text(uri);
  char* parsed = g_uri_parse_scheme(text.c_str());
  if (parsed == nullptr) return false;
  const std::string scheme(parsed);
  g_free(parsed);
  return std::find(schemes.begin(), schemes.end(), scheme) != schemes.end();
}

}  // namespace

bool IsAllowedTopPageAddress(std::string_view uri) { return SchemeIn(uri, kTopPageSchemes); }

bool IsAllowedFrameAddress(std::string_view uri) { return SchemeIn(uri, kFrameSchemes); }

bool IsExternalBrowserAddress(std::string_view uri) { return SchemeIn(uri, kExternalSchemes); }

}  // namespace brevolt::platform::webkit
