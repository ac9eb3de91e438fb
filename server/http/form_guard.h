#pragma once
// The form's defences against programs that post other people's addresses:
// its signed token and its honeypot field. Both work without a script.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/http/form_token.h"
#include "server/store/signup_store.h"
#include "server/system/log_sink.h"

namespace brevolt::signup {

enum class Screened {
  Pass,    // on to the checks and the store
  Refuse,  // answered like a sign-up that failed
  Ignore,  // answered like a sign-up that succeeded, and nothing recorded
};

struct Screening {
  Screened verdict = Screened::Refuse;
  FormTokenCheck token;  // its nonce is spent with the sign-up when it passes
};

class FormGuard {
 public:
  FormGuard(FormTokens tokens, LogSink log);

  // A token for a form being served.
  std::string issue() const { return tokens_.issue(); }
  // Looks at a submission's body before anything else does; logs what it
  // refuses or ignores, naming `client`.
  Screening screen(std::string_view body, std::string_view client);
  // Submissions that filled the honeypot, since the start.
  std::uint64_t honeypot_hits() const { return honeypot_hits_; }

 private:
  FormTokens tokens_;
  LogSink log_;
  std::atomic<std::uint64_t> honeypot_hits_{0};
};

}  // namespace brevolt::signup
