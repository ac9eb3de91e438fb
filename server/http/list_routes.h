#pragma once
// The links in the confirmation mail, and what the list adds to a sign-up,
// apart from how requests travel.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "server/store/mailing_list.h"
#include "server/system/log_sink.h"

namespace brevolt::signup {

struct Request;
struct Answer;
struct SignupToRecord;
class FormGuard;

// What the server was started with, as the list's pages and sign-ups need it.
struct ListSettings {
  bool confirm_by_mail = false;
  std::string privacy_url;  // shown under the form when set
  std::string mail_from;    // whose domain names each mail's Message-ID
  // New mail waits in the outbox: wakes the worker that sends it.
  std::function<void()> mail_queued;
  // The form's token and honeypot; none, and the form carries neither.
  std::shared_ptr<FormGuard> form_guard;
};

enum class LinkKind { Confirm, Unsubscribe };

// A request for a link's address: the store decides. Opening the link (a
// GET) only looks: mail scanners open links too.
struct LinkAction {
  LinkKind kind = LinkKind::Confirm;
  std::string token;
  bool from_page = false;  // the unsubscribe page's button, not a mailbox's
  bool look_only = false;
};

// Nothing unless the request is for a link's address.
std::optional<std::variant<Answer, LinkAction>> route_link(const Request& request);

// What the store does for the link. Never throws.
LinkResult act_on(MailingList& list, const LinkAction& action);

// The page once the store has answered for a link; failures are logged.
Answer after_link(const LinkAction& action, const LinkResult& result, const LogSink& log);

// The sign-up as the list records it, with a fresh link secret for the mail
// it may queue.
ListSignup to_list_signup(const SignupToRecord& signup, const ListSettings& settings);

}  // namespace brevolt::signup
