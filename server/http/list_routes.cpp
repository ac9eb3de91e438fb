#include "server/http/list_routes.h"

#include <glib.h>

#include <memory>

#include "server/admin/metrics.h"
#include "server/constants.h"
#include "server/http/form_body.h"
#include "server/http/http_status.h"
#include "server/http/pages.h"
#include "server/http/routes.h"
#include "server/mail/message.h"
#include "server/token.h"

namespace brevolt::signup {
namespace {

using namespace http_status;

// Bytes that are not UTF-8 (NUL included) become U+FFFD.
std::string valid_utf8(std::string_view text) {
  const std::unique_ptr<gchar, decltype(&g_free)> valid(
      g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())), &g_free);
  return valid ? std::string(valid.get()) : std::string();
}

// The link's token, from the address or (a form's button) the body. Only
// what a token can look like goes further; anything else is unknown.
std::string token_of(const Request& request) {
  auto token = first_form_value(request.query, kTokenField);
  if (token.empty() && request.method == "POST")
    token = first_form_value(request.body, kTokenField);
  const bool plausible =
      !token.empty() && token.size() <= 2 * kTokenBytes &&
      token.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") ==
          std::string::npos;
  return plausible ? token : std::string();
}

}  // namespace

std::optional<std::variant<Answer, LinkAction>> route_link(const Request& request) {
  const bool confirm = request.path == kConfirmPath;
  if (!confirm && request.path != kUnsubscribePath) return std::nullopt;
  const bool get = request.method == "GET" || request.method == "HEAD";
  if (!get && request.method != "POST") return method_not_allowed("GET, HEAD, POST");
  const auto token = token_of(request);
  if (token.empty()) return page_answer(kNotFound, render_link_problem(kNotFound));
  // RFC 8058: a mailbox provider's one-click POST carries
  // "List-Unsubscribe=One-Click" as a form or as multipart; either way the
  // token in the address is what decides.
  const bool from_page = request.method == "POST" &&
                         first_form_value(request.body, kViaField) == kViaPageValue;
  return LinkAction{confirm ? LinkKind::Confirm : LinkKind::Unsubscribe, token, from_page, get};
}

LinkResult act_on(MailingList& list, const LinkAction& action) {
  const auto hash = token_hash(action.token);
  if (action.look_only) {
    auto found = list.peek(hash);
    // Leaving works however old the link is.
    if (action.kind == LinkKind::Unsubscribe && found == LinkResult(LinkOutcome::Expired)) {
      return LinkOutcome::Done;
    }
    return found;
  }
  return action.kind == LinkKind::Confirm ? list.confirm(hash) : list.unsubscribe(hash);
}

Answer after_link(const LinkAction& action, const LinkResult& result, const LogSink& log) {
  if (const auto* failure = std::get_if<StoreFailure>(&result)) {
    log("could not act on a link: " + failure->message);
    return error_answer(kServiceUnavailable);
  }
  const bool confirm = action.kind == LinkKind::Confirm;
  const auto outcome = std::get<LinkOutcome>(result);
  // Only what changed the list counts: a look, or a second click, does not.
  if (outcome == LinkOutcome::Done && !action.look_only) {
    if (confirm) {
      ++metrics().confirmations;
    } else {
      metrics().unsubscribes.add(action.from_page ? UnsubscribeVia::Page
                                                  : UnsubscribeVia::OneClick);
    }
  }
  switch (outcome) {
    case LinkOutcome::Done:
      if (action.look_only) {
        return page_answer(kOk, confirm ? render_confirm_prompt(action.token)
                                        : render_unsubscribe_prompt(action.token));
      }
      [[fallthrough]];
    case LinkOutcome::AlreadyDone:
      return page_answer(kOk, confirm ? render_confirmed() : render_unsubscribed());
    case LinkOutcome::Expired:
      return page_answer(kGone, render_link_problem(kGone));
    case LinkOutcome::Unknown:
      break;
  }
  return page_answer(kNotFound, render_link_problem(kNotFound));
}

ListSignup to_list_signup(const SignupToRecord& signup, const ListSettings& settings) {
  ListSignup list;
  list.name = signup.name;
  list.email = signup.email;
  list.consent_address = signup.client_address;
  // PostgreSQL refuses text that is not UTF-8, and a header may hold any
  // bytes: the sign-up must not fail for good over its browser's name.
  list.user_agent = valid_utf8(signup.user_agent);
  list.form_version = signup.form_version;
  list.confirm_by_mail = settings.confirm_by_mail;
  list.form_nonce = signup.form_token.nonce;
  list.nonce_keep_until = signup.form_token.keep_until;
  list.nonce_now = signup.form_token.now;
  if (settings.confirm_by_mail) {
    auto token = new_token();
    list.token = std::move(token.text);
    list.token_hash = std::move(token.hash);
    list.message_id = new_message_id(settings.mail_from);
  }
  return list;
}

}  // namespace brevolt::signup
