#pragma once
// Where a probe connects: the host and TCP port named by an http(s) address.
#include <cstdint>
#include <optional>
#include <string>

namespace brevolt::platform {

struct ProbeTarget {
  std::string host;  // a name or an IP literal, IPv6 without brackets
  std::uint16_t port = 0;

  bool operator==(const ProbeTarget&) const = default;
};

// The host and port of an absolute http or https address, the scheme's
// default port filled in. Empty for anything else, so that a bad address is
// refused before any lookup starts.
std::optional<ProbeTarget> ParseProbeTarget(const char* url);

}  // namespace brevolt::platform
