#include "server/admin/admin_auth.h"

#include <glib.h>

#include <boost/asio/ip/address.hpp>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "server/constants.h"

namespace brevolt::signup {
namespace {

using Digest = std::array<std::uint8_t, 32>;

Digest sha256(std::string_view text) {
  const std::unique_ptr<GChecksum, decltype(&g_checksum_free)> checksum(
      g_checksum_new(G_CHECKSUM_SHA256), &g_checksum_free);
  g_checksum_update(checksum.get(), reinterpret_cast<const guchar*>(text.data()),
                    static_cast<gssize>(text.size()));
  Digest digest{};
  gsize length = digest.size();
  g_checksum_get_digest(checksum.get(), digest.data(), &length);
  return digest;
}

// Digests first, so that neither the length nor the first difference of
// the token shows in the time taken.
bool same_secret(std::string_view given, std::string_view token) {
  const auto a = sha256(given);
  const auto b = sha256(token);
  unsigned difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned>(a[i] ^ b[i]);
  return difference == 0;
}

bool starts_with_scheme(std::string_view header, std::string_view scheme) {
  if (header.size() <= scheme.size() || header[scheme.size()] != ' ') return false;
  return g_ascii_strncasecmp(header.data(), scheme.data(), scheme.size()) == 0;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The password of HTTP Basic credentials; empty when they are malformed.
std::string basic_password(std::string_view encoded) {
  const std::string copy(encoded);
  gsize length = 0;
  const std::unique_ptr<guchar, decltype(&g_free)> decoded(g_base64_decode(copy.c_str(), &length),
                                                           &g_free);
  const std::string_view pair(reinterpret_cast<const char*>(decoded.get()), length);
  const auto colon = pair.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(pair.substr(colon + 1));
}

}  // namespace

bool is_loopback_host(std::string_view host) {
  if (host == "localhost") return true;
  boost::system::error_code error;
  const auto address = boost::asio::ip::make_address(std::string(host), error);
  return !error && address.is_loopback();
}

std::optional<std::string> load_admin_token(const std::string& path) {
  std::filesystem::path file = path;
  if (file.empty()) {
    const char* credentials = std::getenv("CREDENTIALS_DIRECTORY");
    if (!credentials || !*credentials) return std::nullopt;
    file = std::filesystem::path(credentials) / kAdminTokenCredential;
    if (!std::filesystem::exists(file)) return std::nullopt;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the admin token from '" + file.string() + "'");
  std::ostringstream text;
  text << in.rdbuf();
  auto token = std::string(trimmed(text.str()));
  while (!token.empty() && (token.back() == '\n' || token.back() == '\r')) token.pop_back();
  if (token.empty() || token.find_first_of("\r\n") != std::string::npos) {
    throw std::runtime_error("the admin token file '" + file.string() +
                             "' must hold the token on one line");
  }
  if (token.size() < kMinAdminTokenChars) {
    throw std::runtime_error("the admin token in '" + file.string() + "' is shorter than " +
                             std::to_string(kMinAdminTokenChars) + " characters");
  }
  return token;
}

bool authorized(std::string_view authorization, const std::string& token) {
  authorization = trimmed(authorization);
  if (starts_with_scheme(authorization, "Bearer")) {
    return same_secret(trimmed(authorization.substr(7)), token);
  }
  if (starts_with_scheme(authorization, "Basic")) {
    return same_secret(basic_password(trimmed(authorization.substr(6))), token);
  }
  return false;
}

}  // namespace brevolt::signup
