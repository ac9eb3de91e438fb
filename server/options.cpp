#include "server/options.h"

#include <charconv>
#include <optional>

#include "server/constants.h"

namespace brevolt::signup {
namespace {

constexpr int kMaxPort = 65535;
constexpr std::string_view kListenFlag = "--listen";
constexpr std::string_view kDbFlag = "--db";
constexpr std::string_view kTrustedProxyFlag = "--trusted-proxy";
constexpr std::string_view kHelpFlag = "--help";
constexpr std::string_view kVersionFlag = "--version";
constexpr std::string_view kVersion = BREVOLT_VERSION;

std::optional<int> parse_port(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int port = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, port);
  // from_chars accepts a leading '-', which a port never has.
  if (ec != std::errc{} || ptr != end || text.front() == '-' || port > kMaxPort) {
    return std::nullopt;
  }
  return port;
}

}  // namespace

std::variant<ListenAddress, OptionsError> parse_listen_address(std::string_view text) {
  const auto bad = [&](std::string_view why) {
    return OptionsError{"bad --listen address '" + std::string(text) + "': " + std::string(why)};
  };
  std::string_view host;
  std::string_view port_text;
  if (text.starts_with('[')) {
    const auto close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
      return bad("expected [IPV6]:PORT");
    }
    host = text.substr(1, close - 1);
    port_text = text.substr(close + 2);
  } else {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) return bad("expected HOST:PORT");
    host = text.substr(0, colon);
    port_text = text.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) return bad("write IPv6 hosts as [HOST]:PORT");
  }
  if (host.empty()) return bad("the host is empty");
  const auto port = parse_port(port_text);
  if (!port) return bad("the port must be a number from 0 to 65535");
  return ListenAddress{std::string(host), *port};
}

std::variant<Options, OptionsError> parse_options(std::span<const std::string_view> args) {
  // Filled in field by field: GCC 12 at -O3 takes the unwinding of a
  // half-built aggregate of strings for a use of an uninitialised one.
  Options options;
  options.listen.host = kDefaultHost;
  options.listen.port = kDefaultPort;
  options.db_path = kDefaultDbPath;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == kHelpFlag) {
      options.show_help = true;
      continue;
    }
    if (arg == kVersionFlag) {
      options.show_version = true;
      continue;
    }
    // Both "--flag VALUE" and "--flag=VALUE" are accepted.
    std::string_view flag = arg;
    std::optional<std::string_view> value;
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      flag = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (flag != kListenFlag && flag != kDbFlag && flag != kTrustedProxyFlag) {
      return OptionsError{"unknown option '" + std::string(arg) + "' (try --help)"};
    }
    if (!value) {
      if (i + 1 >= args.size()) return OptionsError{std::string(flag) + " needs a value"};
      value = args[++i];
    }
    if (flag == kListenFlag) {
      auto listen = parse_listen_address(*value);
      if (auto* error = std::get_if<OptionsError>(&listen)) return *error;
      options.listen = std::get<ListenAddress>(std::move(listen));
    } else if (flag == kTrustedProxyFlag) {
      const auto block = parse_address_block(*value);
      if (!block) {
        return OptionsError{"bad --trusted-proxy '" + std::string(*value) +
                            "': expected an IP address, optionally with /PREFIX"};
      }
      options.trusted_proxies.push_back(*block);
    } else {
      if (value->empty()) return OptionsError{"--db needs a file path or a postgresql:// URI"};
      options.db_path = std::string(*value);
    }
  }
  return options;
}

std::string usage_text() {
  std::string text;
  text += "Usage: " + std::string(kProgramName) +
          " [--listen HOST:PORT] [--db PATH|URI] [--trusted-proxy ADDR[/PREFIX]]...\n";
  text += "Serves the mailing-list sign-up page at " + std::string(kFormPath) +
          " and records sign-ups in an SQLite file or a PostgreSQL database.\n\n";
  text += "  --listen HOST:PORT  address to listen on (default " + std::string(kDefaultHost) + ":" +
          std::to_string(kDefaultPort) + "); port 0 picks a free port\n";
  text += "  --db PATH           SQLite file of sign-ups, created if missing (default ./" +
          std::string(kDefaultDbPath) + ")\n";
  text += "  --db URI            postgresql://... (or postgres://...): a PostgreSQL database,\n"
          "                      which several servers may share\n";
  text += "  --trusted-proxy ADDR[/PREFIX]\n"
          "                      a proxy whose X-Forwarded-For names the client (repeatable)\n";
  text += "  --help              show this text\n";
  text += "  --version           show the version (" + std::string(kVersion) + ")\n\n";
  text += "Prints one line 'listening on URL' once it accepts connections, then one line\n"
          "'METHOD PATH STATUS' for each request answered. " + std::string(kHealthPath) +
          " answers 200 while the store does.\n";
  text += "SIGTERM or SIGINT stops it after the requests in progress have been answered.\n";
  return text;
}

std::string version_text() { return std::string(kProgramName) + " " + std::string(kVersion) + "\n"; }

}  // namespace brevolt::signup
