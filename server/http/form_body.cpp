#include "server/http/form_body.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace brevolt::signup {
namespace {

// GLib's own form parser refuses bytes that are not UTF-8, which must reach
// the checks so that the visitor is told; its byte-level decoder does not.
// Text with a broken %-escape is taken as written.
std::string decode(std::string_view text) {
  std::string spaced(text);
  std::replace(spaced.begin(), spaced.end(), '+', ' ');
  const std::unique_ptr<GBytes, decltype(&g_bytes_unref)> bytes(
      g_uri_unescape_bytes(spaced.data(), static_cast<gssize>(spaced.size()), nullptr, nullptr),
      &g_bytes_unref);
  if (!bytes) return spaced;
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  return std::string(data, size);
}

}  // namespace

std::string first_form_value(std::string_view body, std::string_view key) {
  while (!body.empty()) {
    const auto end = body.find('&');
    const auto pair = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
    const auto eq = pair.find('=');
    if (decode(pair.substr(0, eq)) != key) continue;
    return eq == std::string_view::npos ? std::string() : decode(pair.substr(eq + 1));
  }
  return {};
}

}  // namespace brevolt::signup
