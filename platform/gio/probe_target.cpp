#include "platform/gio/probe_target.h"

#include <gio/gio.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace brevolt::platform {
namespace {

constexpr std::uint16_t kHttpPort = 80;
constexpr std::uint16_t kHttpsPort = 443;

struct UriUnref {
  void operator()(GUri* uri) const { g_uri_unref(uri); }
};

std::optional<std::uint16_t> DefaultPort(std::string_view scheme) {
  if (scheme == "http") return kHttpPort;
  if (scheme == "https") return kHttpsPort;
  return std::nullopt;
}

// Blanks and control characters can only come from a mistyped address; a
// resolver would spend its time on them before failing.
bool PlausibleHost(std::string_view host) {
  return !host.empty() && std::none_of(host.begin(), host.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7f;
  });
}

}  // namespace

std::optional<ProbeTarget> ParseProbeTarget(const char* url) {
  if (url == nullptr) return std::nullopt;
  std::unique_ptr<GUri, UriUnref> uri(g_uri_parse(url, G_URI_FLAGS_NONE, nullptr));
  if (!uri) return std::nullopt;

  // GUri hands the scheme back in lower case, so "HTTP:" is accepted too.
  const auto default_port = DefaultPort(g_uri_get_scheme(uri.get()));
  if (!default_port) return std::nullopt;

  const char* host = g_uri_get_host(uri.get());
  if (host == nullptr || !PlausibleHost(host)) return std::nullopt;

  // GUri has already refused ports above 65535; 0 cannot be connected to.
  const int port = g_uri_get_port(uri.get());
  if (port == 0) return std::nullopt;

  return ProbeTarget{host, port < 0 ? *default_port : static_cast<std::uint16_t>(port)};
}

}  // namespace brevolt::platform
