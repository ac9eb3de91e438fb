#include "server/http/form_guard.h"

#include "server/constants.h"
#include "server/http/form_body.h"
#include "server/store/form_token_store.h"
#include "server/store/mailing_list.h"

namespace brevolt::signup {

FormGuard::FormGuard(FormTokens tokens, LogSink log)
    : tokens_(std::move(tokens)), log_(std::move(log)) {}

Screening FormGuard::screen(std::string_view body, std::string_view client) {
  Screening screening;
  screening.token = tokens_.check(first_form_value(body, kFormTokenField));
  const auto who = "a sign-up from " + std::string(client);
  if (screening.token.verdict != FormTokenVerdict::Valid) {
    log_("refused " + who + ": " + form_token_refusal(screening.token, tokens_.min_age()));
    return screening;
  }
  if (!first_form_value(body, kHoneypotField).empty()) {
    const auto hits = ++honeypot_hits_;
    log_("ignored " + who + ": it filled the field people never see (" + std::to_string(hits) +
         " since the start)");
    screening.verdict = Screened::Ignore;
    return screening;
  }
  screening.verdict = Screened::Pass;
  return screening;
}

std::optional<ListSignupResult> FormGuard::spend(SignupStore& store, const FormTokenCheck& token,
                                                std::string_view client) const {
  if (token.nonce.empty()) return std::nullopt;
  const auto fresh = as_result<bool>("keeping a form token's nonce", [&] {
    return store.form_tokens().use_form_nonce(token.nonce, token.keep_until, token.now);
  });
  if (const auto* failure = std::get_if<StoreFailure>(&fresh)) return *failure;
  if (std::get<bool>(fresh)) return std::nullopt;
  log_("refused a sign-up from " + std::string(client) +
      ": its form token was used for a sign-up already");
  return ListSignupOutcome::Replayed;
}

}  // namespace brevolt::signup
