#pragma once
// What the sign-up form's tokens need kept where every instance on one
// database sees it: the secret that signs them, and the nonces that have
// served a sign-up. Both stores implement it; callable from any thread.
#include <cstdint>
#include <string>
#include <string_view>

namespace brevolt::signup {

class FormTokenStore {
 public:
  virtual ~FormTokenStore() = default;
  // The secret kept; `fresh` is kept and returned when there is none yet
  // (the first start), so that instances starting together agree. Throws
  // StoreError.
  virtual std::string form_secret(std::string_view fresh) = 0;
  // Marks `nonce` used, to be known until `keep_until`; false if it was
  // used already. Forgets the nonces whose time is before `now` (all in
  // Unix seconds). Throws StoreError.
  virtual bool use_form_nonce(std::string_view nonce, std::int64_t keep_until,
                              std::int64_t now) = 0;
};

}  // namespace brevolt::signup
