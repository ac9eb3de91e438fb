#pragma once
// The sign-up journey: form, submission, and its two final pages, apart from
// how requests travel, so that the answers read on their own.
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "server/constants.h"
#include "server/http/form_token.h"
#include "server/http/list_routes.h"
#include "server/system/log_sink.h"
#include "server/store/signup_store.h"

namespace brevolt::signup {

struct Request {
  std::string_view method;
  std::string_view path;  // without the query
  std::string_view content_type;
  std::string_view body;
  std::string_view query;  // after the '?', if any
  // For the consent record: the client as the limits count it.
  std::string_view client_address;
  std::string_view user_agent;
};

struct Answer {
  int status = 200;
  std::string location;  // set on redirects only
  std::string html;
  std::string allow;  // set on 405 only: the methods the path takes
  std::string_view content_type = kHtmlContentType;
};

// A submission that passed the checks; recording it may wait on the disk.
struct SignupToRecord {
  std::string name;
  std::string email;
  std::string client_address;
  std::string user_agent;
  std::string form_version;
  // Its form token's nonce, still to be spent.
  FormTokenCheck form_token;
};

// The journey must never be answered from a cache: a cached thank-you page
// would end the desktop program without a sign-up being recorded.
inline constexpr std::pair<std::string_view, std::string_view> kAnswerHeaders[] = {
    {"Cache-Control", "no-store"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"Content-Security-Policy",
     "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; base-uri 'none'"},
};

// Asks whether the store answers.
struct HealthCheck {};

using Routed = std::variant<Answer, SignupToRecord, HealthCheck, LinkAction>;

Routed route(const Request& request, const ListSettings& list);

// Where the visitor goes once the store has answered; failures are logged,
// a replayed token naming `client`, and new mail wakes the outbox.
Answer after_signup(const ListSignupResult& outcome, const ListSettings& list, const LogSink& log,
                    std::string_view client);

// A sign-up that is not recorded (refused, or the store did not answer in
// time) ends on the apology page like any other that failed.
Answer signup_not_recorded();

// 200 "ok", or 503 with the reason left to the log.
Answer health_answer(bool store_answers);

// A refusal (400 and above) with its own small page.
Answer error_answer(int status);

// A page of HTML with this status.
Answer page_answer(int status, std::string html);

// 405, with the methods the path takes.
Answer method_not_allowed(std::string_view allow);

}  // namespace brevolt::signup
