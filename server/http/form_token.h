#pragma once
// The sign-up form's token: the time it was issued and a random nonce,
// signed with HMAC-SHA256 under a secret every instance shares through the
// store. A submission must bring one that is neither too young for a person
// nor too old; that each serves one sign-up is the store's to tell.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace brevolt::signup {

using WallClock = std::function<std::chrono::system_clock::time_point()>;

enum class FormTokenVerdict { Valid, Missing, Forged, TooYoung, Expired };

struct FormTokenCheck {
  FormTokenVerdict verdict = FormTokenVerdict::Missing;
  std::chrono::seconds age{0};  // since it was issued, once its signature holds
  // When valid: the nonce, and until when (Unix seconds) it must be kept to
  // be known again; nonces older than `now` may be forgotten.
  std::string nonce;
  std::int64_t keep_until = 0;
  std::int64_t now = 0;
};

class FormTokens {
 public:
  // `secret` as the store keeps it; `min_age` is what a person needs at
  // least between loading the form and sending it.
  FormTokens(std::string secret, std::chrono::seconds min_age,
             WallClock clock = std::chrono::system_clock::now);

  std::string issue() const;
  FormTokenCheck check(std::string_view token) const;
  std::chrono::seconds min_age() const { return min_age_; }

 private:
  std::string sign(std::string_view payload) const;

  std::string secret_;
  std::chrono::seconds min_age_;
  WallClock clock_;
};

// A new secret from the system's random source.
std::string new_form_secret();

// One line for the log: why a submission's token was refused.
std::string form_token_refusal(const FormTokenCheck& check, std::chrono::seconds min_age);

}  // namespace brevolt::signup
