#include "server/routes.h"

#include <httplib.h>

#include <string>

#include "server/constants.h"
#include "server/pages.h"
#include "server/signup_store.h"
#include "server/validation.h"

namespace brevolt::signup {
namespace {

constexpr int kSeeOther = 303;
constexpr int kPayloadTooLarge = 413;
constexpr int kBadRequest = 400;
constexpr int kUnsupportedMediaType = 415;
constexpr int kServerError = 500;

// httplib routes by regular expression; the dots of a path are literal.
std::string route_pattern(std::string_view path) {
  std::string pattern;
  for (const char c : path) {
    if (c == '.') pattern += '\\';
    pattern += c;
  }
  return pattern;
}

void send_html(httplib::Response& res, const std::string& html) {
  res.set_content(html, std::string(kHtmlContentType));
}

void see_other(httplib::Response& res, std::string_view path) {
  res.set_redirect(std::string(path), kSeeOther);
  send_html(res, "<!DOCTYPE html>\n<title>Continue</title>\n<a href=\"" + std::string(path) +
                     "\">Continue</a>\n");
}

bool is_form_encoded(const httplib::Request& req) {
  std::string type = req.get_header_value("Content-Type");
  type = type.substr(0, type.find(';'));
  while (!type.empty() && type.back() == ' ') type.pop_back();
  for (auto& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return type == kFormContentType;
}

std::string first_value(const httplib::Params& params, const std::string& key) {
  const auto it = params.find(key);
  return it == params.end() ? std::string() : it->second;
}

// Reads the whole body, refusing more than kMaxBodyBytes. httplib enforces
// its own limit only on a declared Content-Length, not on chunked bodies or
// bodies that run until the connection closes, so the count is kept here too.
bool read_body(const httplib::ContentReader& reader, httplib::Response& res, std::string& body) {
  bool too_large = false;
  const bool complete = reader([&](const char* data, std::size_t length) {
    if (body.size() + length > kMaxBodyBytes) {
      too_large = true;
      return false;
    }
    body.append(data, length);
    return true;
  });
  if (too_large || res.status == kPayloadTooLarge) {
    res.status = kPayloadTooLarge;
    return false;
  }
  if (!complete) {
    res.status = kBadRequest;
    return false;
  }
  return true;
}

void submit(const httplib::Request& req, httplib::Response& res,
            const httplib::ContentReader& reader, SignupStore& store, const LogSink& log) {
  std::string body;
  if (!read_body(reader, res, body)) return;
  if (!is_form_encoded(req)) {
    res.status = kUnsupportedMediaType;
    return;
  }
  httplib::Params params;
  httplib::detail::parse_query_text(body, params);
  FormView view{first_value(params, "name"), first_value(params, "email"), {}, {}};

  const auto checked = check_signup(view.name, view.email);
  if (!checked.ok()) {
    // Shown again at this same address, which carries no end-of-journey word.
    view.name_error = checked.name_error;
    view.email_error = checked.email_error;
    send_html(res, render_form(view));
    return;
  }
  const auto outcome = store.add(checked.name, checked.email);
  if (const auto* failure = std::get_if<StoreFailure>(&outcome)) {
    log("could not record a sign-up: " + failure->message);
    see_other(res, kSorryPath);
    return;
  }
  see_other(res, kThankYouPath);
}

}  // namespace

void install_routes(httplib::Server& http, SignupStore& store, LogSink log) {
  // The journey must never be answered from a cache: a cached thank-you
  // page would end the desktop program without a sign-up being recorded.
  http.set_default_headers({
      {"Cache-Control", "no-store"},
      {"X-Content-Type-Options", "nosniff"},
      {"Referrer-Policy", "no-referrer"},
      {"Content-Security-Policy",
       "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; base-uri 'none'"},
  });
  http.set_payload_max_length(kMaxBodyBytes);

  http.Get(route_pattern(kFormPath),
           [](const httplib::Request&, httplib::Response& res) { send_html(res, render_form({})); });
  http.Post(route_pattern(kFormPath),
            [&store, log](const httplib::Request& req, httplib::Response& res,
                          const httplib::ContentReader& reader) {
              submit(req, res, reader, store, log);
            });
  http.Get(route_pattern(kThankYouPath), [](const httplib::Request&, httplib::Response& res) {
    send_html(res, render_thank_you());
  });
  http.Get(route_pattern(kSorryPath), [](const httplib::Request&, httplib::Response& res) {
    send_html(res, render_sorry());
  });

  http.set_error_handler(httplib::Server::HandlerWithResponse(
      [](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        send_html(res, render_error(res.status));
        return httplib::Server::HandlerResponse::Handled;
      }));
  // Without a handler httplib would echo the exception's text in a header.
  http.set_exception_handler(
      [log](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
        std::string what = "unknown exception";
        try {
          std::rethrow_exception(error);
        } catch (const std::exception& e) {
          what = e.what();
        } catch (...) {
        }
        log("request failed: " + what);
        res.status = kServerError;
        send_html(res, render_error(kServerError));
      });
}

}  // namespace brevolt::signup
