#include "server/http/form_guard.h"

#include "server/constants.h"
#include "server/http/form_body.h"

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

}  // namespace brevolt::signup
