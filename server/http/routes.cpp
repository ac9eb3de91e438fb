#include "server/http/routes.h"

#include <algorithm>
#include <cctype>

#include "server/admin/metrics.h"
#include "server/constants.h"
#include "server/http/form_body.h"
#include "server/http/form_guard.h"
#include "server/http/http_status.h"
#include "server/http/pages.h"
#include "server/validation.h"

namespace brevolt::signup {
namespace {

using namespace http_status;

constexpr std::string_view kPlainContentType = "text/plain; charset=utf-8";

Answer see_other(std::string_view path) {
  auto answer = page_answer(kSeeOther, "<!DOCTYPE html>\n<title>Continue</title>\n<a href=\"" +
                                    std::string(path) + "\">Continue</a>\n");
  answer.location = path;
  return answer;
}

bool is_form_encoded(std::string_view content_type) {
  std::string type(content_type.substr(0, content_type.find(';')));
  while (!type.empty() && type.back() == ' ') type.pop_back();
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return type == kFormContentType;
}

// The form's version, if it is one this server has served; the consent
// record never holds what a client made up.
std::string form_version_of(const Request& request) {
  const bool known = first_form_value(request.body, kFormVersionField) == kFormVersion;
  return known ? std::string(kFormVersion) : std::string();
}

FormView form_view(const ListSettings& list) {
  FormView view;
  view.confirm_by_mail = list.confirm_by_mail;
  view.privacy_url = list.privacy_url;
  if (list.form_guard) view.form_token = list.form_guard->issue();
  return view;
}

Routed submit(const Request& request, const ListSettings& list) {
  if (!is_form_encoded(request.content_type)) {
    metrics().refused.add(Refusal::Invalid);
    return error_answer(kUnsupportedMediaType);
  }
  FormTokenCheck token;
  if (list.form_guard) {
    auto screening = list.form_guard->screen(request.body, request.client_address);
    if (screening.verdict == Screened::Refuse) {
      metrics().refused.add(Refusal::Token);
      return signup_not_recorded();
    }
    // A program learns nothing from the answer.
    if (screening.verdict == Screened::Ignore) {
      metrics().refused.add(Refusal::Honeypot);
      return see_other(kThankYouPath);
    }
    token = std::move(screening.token);
  }
  auto view = form_view(list);
  view.name = first_form_value(request.body, "name");
  view.email = first_form_value(request.body, "email");
  auto checked = check_signup(view.name, view.email);
  if (!checked.ok()) {
    metrics().refused.add(Refusal::Invalid);
    // Shown again at this same address, which carries no end-of-journey word.
    view.name_error = std::move(checked.name_error);
    view.email_error = std::move(checked.email_error);
    return page_answer(kOk, render_form(view));
  }
  // An address that could add a header or a recipient to a mail is refused
  // like a sign-up that failed: its sender learns nothing more.
  if (has_mail_unsafe_chars(checked.email)) {
    metrics().refused.add(Refusal::Invalid);
    return signup_not_recorded();
  }
  return SignupToRecord{std::move(checked.name), std::move(checked.email),
                        std::string(request.client_address), std::string(request.user_agent),
                        form_version_of(request), std::move(token)};
}

}  // namespace

Routed route(const Request& request, const ListSettings& list) {
  if (auto link = route_link(request)) {
    return std::visit([](auto&& routed) -> Routed { return std::move(routed); }, std::move(*link));
  }
  // HEAD is answered as GET; the body is left out on the way.
  const bool get = request.method == "GET" || request.method == "HEAD";
  if (request.path == kFormPath) {
    // HEAD is a monitor's, not a visitor's.
    if (request.method == "GET") metrics().count_view();
    if (get) return page_answer(kOk, render_form(form_view(list)));
    if (request.method == "POST") return submit(request, list);
    return method_not_allowed("GET, HEAD, POST");
  }
  if (request.path == kThankYouPath || request.path == kSorryPath || request.path == kHealthPath) {
    if (!get) return method_not_allowed("GET, HEAD");
    if (request.path == kHealthPath) return HealthCheck{};
    return page_answer(kOk, request.path == kThankYouPath ? render_thank_you(list.confirm_by_mail)
                                                          : render_sorry());
  }
  return error_answer(kNotFound);
}

Answer after_signup(const ListSignupResult& outcome, const ListSettings& list, const LogSink& log,
                    std::string_view client) {
  if (const auto* failure = std::get_if<StoreFailure>(&outcome)) {
    metrics().refused.add(Refusal::Store);
    log("could not record a sign-up: " + failure->message);
    return signup_not_recorded();
  }
  const auto recorded = std::get<ListSignupOutcome>(outcome);
  if (recorded == ListSignupOutcome::Replayed) {
    metrics().refused.add(Refusal::Token);
    log("refused a sign-up from " + std::string(client) +
        ": its form token was used for a sign-up already");
    return signup_not_recorded();
  }
  const bool is_new =
      recorded == ListSignupOutcome::Confirmed || recorded == ListSignupOutcome::MailQueued;
  metrics().signups.add(is_new ? SignupKind::Stored : SignupKind::Repeat);
  const bool mailed =
      recorded == ListSignupOutcome::MailQueued || recorded == ListSignupOutcome::MailQueuedAgain;
  if (mailed && list.mail_queued) list.mail_queued();
  // Known or new, the same answer: nobody learns who is on the list.
  return see_other(kThankYouPath);
}

Answer signup_not_recorded() { return see_other(kSorryPath); }

Answer health_answer(bool store_answers) {
  auto answer = page_answer(store_answers ? kOk : kServiceUnavailable,
                     store_answers ? "ok\n" : "unavailable\n");
  answer.content_type = kPlainContentType;
  return answer;
}

Answer error_answer(int status) { return page_answer(status, render_error(status)); }

Answer page_answer(int status, std::string html) {
  Answer answer;
  answer.status = status;
  answer.html = std::move(html);
  return answer;
}

Answer method_not_allowed(std::string_view allow) {
  auto answer = error_answer(kMethodNotAllowed);
  answer.allow = allow;
  return answer;
}

}  // namespace brevolt::signup
