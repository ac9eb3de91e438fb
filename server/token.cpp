#include "server/token.h"

#include <glib.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <stdexcept>

#include "server/constants.h"

namespace brevolt::signup {

std::string base64url(std::string_view bytes) {
  const std::unique_ptr<gchar, decltype(&g_free)> encoded(
      g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size()), &g_free);
  std::string text(encoded.get());
  std::replace(text.begin(), text.end(), '+', '-');
  std::replace(text.begin(), text.end(), '/', '_');
  text.erase(text.find_last_not_of('=') + 1);
  return text;
}

std::string random_base64url(std::size_t size) {
  std::string bytes(size, '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const auto got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw std::runtime_error("no random bytes for a token");
    filled += static_cast<std::size_t>(got);
  }
  return base64url(bytes);
}

Token new_token() {
  Token token;
  token.text = random_base64url(kTokenBytes);
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
