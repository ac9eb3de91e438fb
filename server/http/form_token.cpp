#include "server/http/form_token.h"

#include <glib.h>

#include <array>
#include <charconv>
#include <memory>

#include "server/constants.h"
#include "server/token.h"

namespace brevolt::signup {
namespace {

constexpr char kSeparator = '.';
// Decimal digits of a Unix time in milliseconds, with room to spare.
constexpr std::size_t kMostTimeDigits = 15;

// Whether two MACs are the same, in a time that does not say where they
// first differ.
bool same_mac(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char differ = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    differ = static_cast<unsigned char>(differ | (a[i] ^ b[i]));
  }
  return differ == 0;
}

using std::chrono::milliseconds;

std::int64_t unix_ms(std::chrono::system_clock::time_point at) {
  return std::chrono::duration_cast<milliseconds>(at.time_since_epoch()).count();
}

}  // namespace

FormTokens::FormTokens(std::string secret, std::chrono::seconds min_age, WallClock clock)
    : secret_(std::move(secret)), min_age_(min_age), clock_(std::move(clock)) {}

std::string FormTokens::sign(std::string_view payload) const {
  const std::unique_ptr<GHmac, decltype(&g_hmac_unref)> hmac(
      g_hmac_new(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(secret_.data()),
                 secret_.size()),
      &g_hmac_unref);
  g_hmac_update(hmac.get(), reinterpret_cast<const guchar*>(payload.data()),
                static_cast<gssize>(payload.size()));
  std::array<guint8, 32> digest{};
  gsize size = digest.size();
  g_hmac_get_digest(hmac.get(), digest.data(), &size);
  return base64url(std::string_view(reinterpret_cast<const char*>(digest.data()), size));
}

std::string FormTokens::issue() const {
  // Milliseconds: the least age is a matter of a second or two.
  auto payload = std::to_string(unix_ms(clock_())) + kSeparator +
                 random_base64url(kFormNonceBytes);
  return payload + kSeparator + sign(payload);
}

FormTokenCheck FormTokens::check(std::string_view token) const {
  FormTokenCheck result;
  const auto now = unix_ms(clock_());
  result.now = now / 1000;
  if (token.empty()) return result;
  result.verdict = FormTokenVerdict::Forged;
  const auto mac_at = token.rfind(kSeparator);
  if (mac_at == std::string_view::npos) return result;
  const auto payload = token.substr(0, mac_at);
  if (!same_mac(token.substr(mac_at + 1), sign(payload))) return result;
  // Signed by us, so well formed; parsed with care all the same.
  const auto nonce_at = payload.find(kSeparator);
  if (nonce_at == std::string_view::npos || nonce_at > kMostTimeDigits) return result;
  std::int64_t issued = 0;
  const auto* end = payload.data() + nonce_at;
  if (std::from_chars(payload.data(), end, issued).ptr != end) return result;
  const auto age = milliseconds(now - issued);
  result.age = std::chrono::floor<std::chrono::seconds>(age);
  if (age < min_age_) {
    result.verdict = FormTokenVerdict::TooYoung;
  } else if (age > kFormTokenLifetime) {
    result.verdict = FormTokenVerdict::Expired;
  } else {
    result.verdict = FormTokenVerdict::Valid;
    result.nonce = std::string(payload.substr(nonce_at + 1));
    result.keep_until = (issued + milliseconds(kFormTokenLifetime).count()) / 1000 + 1;
  }
  return result;
}

std::string new_form_secret() { return random_base64url(kFormSecretBytes); }

std::string form_token_refusal(const FormTokenCheck& check, std::chrono::seconds min_age) {
  const auto age = std::to_string(check.age.count());
  switch (check.verdict) {
    case FormTokenVerdict::Missing: return "it carries no form token (posted without the form)";
    case FormTokenVerdict::Forged: return "its form token is not one this list signed";
    case FormTokenVerdict::TooYoung:
      return "its form token is " + age + " s old, under the " + std::to_string(min_age.count()) +
             " s a person needs";
    case FormTokenVerdict::Expired:
      return "its form token is " + age + " s old, past its " +
             std::to_string(std::chrono::seconds(kFormTokenLifetime).count()) + " s";
    case FormTokenVerdict::Valid: break;
  }
  return {};
}

}  // namespace brevolt::signup
