#pragma once
// What the sign-up form's tokens need kept where every instance on one
// database sees it: the secret that signs them. (The nonces that have
// served a sign-up are spent with it: ListSignup::form_nonce.) Both stores
// implement it; callable from any thread.
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
};

}  // namespace brevolt::signup
