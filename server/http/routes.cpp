#include "server/http/routes.h"

#include <algorithm>
#include <cctype>

#include "server/constants.h"
#include "server/http/form_body.h"
#include "server/http/pages.h"
#include "server/validation.h"

namespace brevolt::signup {
namespace {

constexpr int kOk = 200;
constexpr int kSeeOther = 303;
constexpr int kNotFound = 404;
constexpr int kUnsupportedMediaType = 415;

Answer see_other(std::string_view path) {
  return {kSeeOther, std::string(path),
          "<!DOCTYPE html>\n<title>Continue</title>\n<a href=\"" + std::string(path) +
              "\">Continue</a>\n"};
}

bool is_form_encoded(std::string_view content_type) {
  std::string type(content_type.substr(0, content_type.find(';')));
  while (!type.empty() && type.back() == ' ') type.pop_back();
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return type == kFormContentType;
}

std::variant<Answer, SignupToRecord> submit(const Request& request) {
  if (!is_form_encoded(request.content_type)) return error_answer(kUnsupportedMediaType);
  FormView view{first_form_value(request.body, "name"), first_form_value(request.body, "email"),
                {}, {}};
  auto checked = check_signup(view.name, view.email);
  if (!checked.ok()) {
    // Shown again at this same address, which carries no end-of-journey word.
    view.name_error = std::move(checked.name_error);
    view.email_error = std::move(checked.email_error);
    return Answer{kOk, {}, render_form(view)};
  }
  return SignupToRecord{std::move(checked.name), std::move(checked.email)};
}

}  // namespace

std::variant<Answer, SignupToRecord> route(const Request& request) {
  // HEAD is answered as GET; the body is left out on the way.
  const bool get = request.method == "GET" || request.method == "HEAD";
  if (request.path == kFormPath) {
    if (get) return Answer{kOk, {}, render_form({})};
    if (request.method == "POST") return submit(request);
  } else if (get && request.path == kThankYouPath) {
    return Answer{kOk, {}, render_thank_you()};
  } else if (get && request.path == kSorryPath) {
    return Answer{kOk, {}, render_sorry()};
  }
  return error_answer(kNotFound);
}

Answer after_recording(const std::variant<SignupOutcome, StoreFailure>& outcome,
                       const LogSink& log) {
  if (const auto* failure = std::get_if<StoreFailure>(&outcome)) {
    log("could not record a sign-up: " + failure->message);
    return see_other(kSorryPath);
  }
  return see_other(kThankYouPath);
}

Answer error_answer(int status) { return {status, {}, render_error(status)}; }

}  // namespace brevolt::signup
