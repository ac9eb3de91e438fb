#include "server/admin/admin_server.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>
#include <exception>
#include <mutex>
#include <thread>

#include "server/admin/admin_auth.h"
#include "server/admin/dashboard.h"
#include "server/admin/exposition.h"
#include "server/admin/metrics.h"
#include "server/constants.h"
#include "server/http/bind_listener.h"
#include "server/http/form_body.h"
#include "server/http/http_status.h"
#include "server/http/responses.h"
#include "server/store/signup_store.h"

namespace brevolt::signup {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using net::ip::tcp;
using namespace http_status;

constexpr int kBadRequest = 400;
constexpr int kUnauthorized = 401;
constexpr std::string_view kPlainType = "text/plain; charset=utf-8";
// The page draws with its own inline style and nothing else; the empty
// icon keeps a browser from asking for one.
constexpr std::string_view kAdminPolicy =
    "default-src 'none'; style-src 'unsafe-inline'; img-src data:; base-uri 'none';"
    " form-action 'none'; frame-ancestors 'none'";
// A browser offers its password prompt for Basic; scripts use Bearer.
constexpr std::string_view kChallenges[] = {"Basic realm=\"brevolt admin\", charset=\"UTF-8\"",
                                            "Bearer realm=\"brevolt admin\""};

std::string_view view(beast::string_view text) { return {text.data(), text.size()}; }

Answer plain(int status, std::string text) {
  auto answer = page_answer(status, std::move(text));
  answer.content_type = kPlainType;
  return answer;
}

// ?days= as the dashboard offers it; nothing for any other value.
std::optional<int> dashboard_days(std::string_view query) {
  const auto text = first_form_value(query, kDaysField);
  if (text.empty()) return kDefaultDashboardDays;
  for (const int span : kDashboardSpans) {
    if (text == std::to_string(span)) return span;
  }
  return std::nullopt;
}

}  // namespace

struct AdminServer::Impl {
  Impl(SignupStore& store_in, std::optional<std::string> token_in, LogSink log_in)
      : store(store_in), token(std::move(token_in)), log(std::move(log_in)) {}

  void accept();
  void serve(std::shared_ptr<beast::tcp_stream> stream);
  HttpResponse respond(const http::request<http::string_body>& request);
  Answer route(std::string_view method, std::string_view target);
  void note_refusal();

  SignupStore& store;
  const std::optional<std::string> token;
  LogSink log;
  net::io_context events;
  tcp::acceptor acceptor{events};
  std::thread thread;
  std::mutex refusal_mutex;
  std::chrono::steady_clock::time_point last_refusal_log{};
  std::size_t refusals_unlogged = 0;
};

void AdminServer::Impl::accept() {
  acceptor.async_accept([this](const boost::system::error_code& error, tcp::socket socket) {
    if (!acceptor.is_open()) return;
    if (!error) serve(std::make_shared<beast::tcp_stream>(std::move(socket)));
    accept();
  });
}

// One request after the other on a connection, each within the deadline.
void AdminServer::Impl::serve(std::shared_ptr<beast::tcp_stream> stream) {
  struct Exchange {
    beast::flat_buffer buffer;
    http::request<http::string_body> request;
    HttpResponse response;
  };
  auto exchange = std::make_shared<Exchange>();
  stream->expires_after(kRequestDeadline);
  http::async_read(*stream, exchange->buffer, exchange->request,
                   [this, stream, exchange](const beast::error_code& error, std::size_t) {
                     if (error) return stream->close();
                     exchange->response = respond(exchange->request);
                     stream->expires_after(kWriteTimeout);
                     http::async_write(*stream, exchange->response,
                                       [this, stream, exchange](const beast::error_code& written,
                                                                std::size_t) {
                                         if (written || !exchange->response.keep_alive()) {
                                           return stream->close();
                                         }
                                         serve(stream);
                                       });
                   });
}

HttpResponse AdminServer::Impl::respond(const http::request<http::string_body>& request) {
  const bool head = request.method() == http::verb::head;
  Answer answer;
  if (token && !authorized(view(request[http::field::authorization]), *token)) {
    note_refusal();
    answer = plain(kUnauthorized, "a token is needed\n");
  } else {
    try {
      answer = route(view(request.method_string()), view(request.target()));
    } catch (const std::exception& error) {
      log(std::string("admin: the store did not answer: ") + error.what());
      answer = plain(kServiceUnavailable, "the store did not answer\n");
    }
  }
  auto response = make_response(std::move(answer), request.version(), request.keep_alive(), head);
  response.set("Content-Security-Policy",
               beast::string_view(kAdminPolicy.data(), kAdminPolicy.size()));
  if (response.result_int() == kUnauthorized) {
    for (const auto challenge : kChallenges) {
      response.insert(http::field::www_authenticate,
                      beast::string_view(challenge.data(), challenge.size()));
    }
  }
  return response;
}

Answer AdminServer::Impl::route(std::string_view method, std::string_view target) {
  const auto mark = target.find('?');
  const auto path = target.substr(0, mark);
  const auto query = mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
  if (path != kMetricsPath && path != kDashboardPath) return plain(kNotFound, "not found\n");
  if (method != "GET" && method != "HEAD") return method_not_allowed("GET, HEAD");
  if (path == kMetricsPath) {
    ScrapeGauges gauges;
    gauges.outbox_mails = store.outbox_summary().waiting;
    auto answer = plain(kOk, render_metrics(metrics(), gauges));
    answer.content_type = kExpositionContentType;
    return answer;
  }
  const auto days = dashboard_days(query);
  if (!days) return plain(kBadRequest, "days is one of 7, 30, 90 or 365\n");
  DashboardData data;
  data.days = with_zero_days(last_days(*days), store.daily_counts(last_days(*days).front()));
  data.outbox = store.outbox_summary();
  return page_answer(kOk, render_dashboard(data));
}

// A guesser must not fill the log: one line now and then, with a count.
void AdminServer::Impl::note_refusal() {
  const std::lock_guard lock(refusal_mutex);
  ++refusals_unlogged;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_refusal_log < kAdminRefusalLogInterval) return;
  log("admin: refused " + std::to_string(refusals_unlogged) +
      " request(s) without the right token");
  refusals_unlogged = 0;
  last_refusal_log = now;
}

AdminServer::AdminServer(SignupStore& store, std::optional<std::string> token, LogSink log)
    : impl_(std::make_unique<Impl>(store, std::move(token), std::move(log))) {}

AdminServer::~AdminServer() { stop(); }

std::optional<int> AdminServer::bind(const ListenAddress& address) {
  return bind_listener(impl_->acceptor, address);
}

void AdminServer::start() {
  impl_->accept();
  impl_->thread = std::thread([impl = impl_.get()] {
    for (;;) {
      try {
        impl->events.run();
        return;
      } catch (const std::exception& error) {
        impl->log(std::string("admin: internal error, serving on: ") + error.what());
      }
    }
  });
}

// What is in progress is dropped: a scrape is simply made again.
void AdminServer::stop() {
  impl_->events.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
  boost::system::error_code ignored;
  impl_->acceptor.close(ignored);
}

}  // namespace brevolt::signup
