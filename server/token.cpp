#include "server/token.h"

#include <glib.h>
#include <sys/random.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <stdexcept>

#include "server/constants.h"

namespace brevolt::signup {
namespace {

std::string base64url(const unsigned char* data, std::size_t size) {
  const std::unique_ptr<gchar, decltype(&g_free)> encoded(g_base64_encode(data, size), &g_free);
  std::string text(encoded.get());
  std::replace(text.begin(), text.end(), '+', '-');
  std::replace(text.begin(), text.end(), '/', '_');
  text.erase(text.find_last_not_of('=') + 1);
  return text;
}

}  // namespace

Token new_token() {
  std::array<unsigned char, kTokenBytes> bytes{};
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const auto got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw std::runtime_error("no random bytes for a token");
    filled += static_cast<std::size_t>(got);
  }
  Token token;
  token.text = base64url(bytes.data(), bytes.size());
  token.hash = token_hash(token.text);
  return token;
}

std::string token_hash(std::string_view text) {
  const std::unique_ptr<gchar, decltype(&g_free)> hex(
      g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(text.data()),
                                  text.size()),
      &g_free);
  return hex.get();
}

}  // namespace brevolt::signup
