#include "server/http/http_session.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <exception>

#include "server/constants.h"
#include "server/http/form_guard.h"
#include "server/http/request_head.h"
#include "server/store/mailing_list.h"
#include "server/store/signup_store.h"
#include "server/token.h"

namespace brevolt::signup {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;

constexpr int kServerError = 500;
constexpr unsigned kHttp11 = 11;
// Read and dropped per step while lingering.
constexpr std::size_t kDrainBytes = 4096;

std::string_view view(beast::string_view text) { return {text.data(), text.size()}; }

}  // namespace

HttpSession::HttpSession(net::ip::tcp::socket socket, ConnectionLimits::Ticket ticket,
                         const IpAddress& peer, SessionContext& context)
    : stream_(std::move(socket)),
      ticket_(std::move(ticket)),
      peer_(peer),
      context_(context),
      store_timer_(stream_.get_executor()),
      deadline_(Clock::now() + kRequestDeadline),
      buffer_(kMaxBufferedBytes) {
  ++metrics().connections;
}

HttpSession::~HttpSession() {
  --metrics().connections;
  context_.live.erase(this);
  if (context_.stopping && context_.live.empty() && context_.all_closed) context_.all_closed();
}

void HttpSession::start() {
  context_.live.insert(this);
  read_request();
}

void HttpSession::stop() {
  const bool request_begun = buffer_.size() > 0 || (parser_ && parser_->got_some());
  if (phase_ == Phase::Lingering || (phase_ == Phase::Waiting && !request_begun)) close();
}

void HttpSession::abandon() {
  store_timer_.cancel();
  close();
}

void HttpSession::read_request() {
  phase_ = Phase::Waiting;
  head_ = false;
  refused_early_ = false;
  logged_request_.clear();
  parser_.emplace();
  parser_->header_limit(static_cast<std::uint32_t>(kMaxHeaderBytes));
  parser_->body_limit(kMaxBodyBytes);
  // One deadline for the whole request, however it is cut into reads.
  stream_.expires_at(deadline_);
  http::async_read_header(stream_, buffer_, *parser_,
                          [self = shared_from_this()](const beast::error_code& error, std::size_t) {
                            self->on_header(error);
                          });
}

void HttpSession::on_header(const beast::error_code& error) {
  if (error) return on_read_failed(error);
  phase_ = Phase::Reading;
  note_head();
  const auto& request = parser_->get();
  const auto client =
      client_address(peer_, forwarded_for(request), context_.settings.trusted_proxies);
  client_ = limit_key(client);
  client_address_ = to_string(client);
  if (const auto refusal = refusal_of_head(request)) {
    refused_early_ = true;
    phase_ = Phase::Answering;
    return answer(error_answer(*refusal), false);
  }
  if (request.version() < kHttp11 || parser_->is_done() ||
      !beast::iequals(request[http::field::expect], "100-continue")) {
    return read_body();
  }
  // The client waits for leave before sending its body.
  continue_ = http::response<http::empty_body>(http::status::continue_, request.version());
  stream_.expires_after(kWriteTimeout);
  http::async_write(stream_, continue_,
                    [self = shared_from_this()](const beast::error_code& error, std::size_t) {
                      if (error) return self->close();
                      self->read_body();
                    });
}

void HttpSession::read_body() {
  stream_.expires_at(deadline_);
  http::async_read(stream_, buffer_, *parser_,
                   [self = shared_from_this()](const beast::error_code& error, std::size_t) {
                     self->on_request(error);
                   });
}

void HttpSession::on_request(const beast::error_code& error) {
  if (error) return on_read_failed(error);
  phase_ = Phase::Answering;
  try {
    handle();
  } catch (const std::exception& e) {
    context_.log(std::string("request failed: ") + e.what());
    answer(error_answer(kServerError), false);
  }
}

void HttpSession::on_read_failed(const beast::error_code& error) {
  const auto refusal = refusal_for(error);
  if (!refusal) return close();
  if (parser_->is_header_done()) note_head();
  phase_ = Phase::Answering;
  answer(error_answer(*refusal), false);
}

void HttpSession::note_head() {
  const auto& request = parser_->get();
  head_ = request.method() == http::verb::head;
  logged_request_ = std::string(view(request.method_string())) + " " + std::string(path_of(request));
  route_ = route_name(view(request.method_string()), path_of(request));
  head_arrived_ = Clock::now();
}

void HttpSession::handle() {
  const auto& request = parser_->get();
  const Request req{view(request.method_string()),
                    path_of(request),
                    view(request[http::field::content_type]),
                    request.body(),
                    query_of(request),
                    client_address_,
                    view(request[http::field::user_agent])};
  auto routed = route(req, context_.settings.list);
  if (auto* signup = std::get_if<SignupToRecord>(&routed)) return record(std::move(*signup));
  if (auto* action = std::get_if<LinkAction>(&routed)) return act_on_link(std::move(*action));
  if (std::holds_alternative<HealthCheck>(routed)) return check_store();
  answer(std::get<Answer>(std::move(routed)), request.keep_alive());
}

void HttpSession::record(SignupToRecord signup) {
  if (!context_.signup_limit.allow(client_, Clock::now())) {
    metrics().refused.add(Refusal::Rate);
    context_.log("refused a sign-up from " + client_ + ": more than " +
                 std::to_string(context_.settings.signups_per_window) + " in the last " +
                 std::to_string(std::chrono::ceil<std::chrono::seconds>(
                                    context_.settings.signup_window)
                                    .count()) +
                 " s");
    return answer(signup_not_recorded(), parser_->get().keep_alive());
  }
  // The session may be gone by the time this runs: it takes nothing of it.
  auto work = [&list = context_.settings.list, signup = std::move(signup),
               deadline = Clock::now() + context_.settings.store_deadline](
                  SignupStore& store, const StoreHandoff::Done<ListSignupResult>& done) {
    // The link's secret is drawn here, off the event thread.
    store.sign_up(to_list_signup(signup, list), deadline, done);
  };
  // The store answers a sign-up it has begun with its result, past the
  // deadline if need be: an apology sent first would be a lie once it is
  // stored. The timer only guards against a store that never answers.
  ask_store<ListSignupResult>(
      std::move(work),
      [this](const std::optional<ListSignupResult>& outcome) {
        if (!outcome) {
          metrics().refused.add(Refusal::Deadline);
          context_.log("could not record a sign-up: the store did not answer in time");
          return signup_not_recorded();
        }
        return after_signup(*outcome, context_.settings.list, context_.log, client_);
      },
      3 * context_.settings.store_deadline);
}

void HttpSession::act_on_link(LinkAction action) {
  ask_store<LinkResult>(
      [action](SignupStore& store, const StoreHandoff::Done<LinkResult>& done) {
        done(act_on(store.list(), action));
      },
      [this, action](const std::optional<LinkResult>& result) {
        return after_link(action, result.value_or(StoreFailure{"the store did not answer in time"}),
                          context_.log);
      },
      context_.settings.store_deadline);
}

void HttpSession::check_store() {
  using Health = std::optional<StoreFailure>;
  ask_store<Health>([](SignupStore& store, const StoreHandoff::Done<Health>& done) {
                      done(store.check());
                    },
                    [this](const std::optional<Health>& health) {
                      if (!health) context_.log("health check: the store did not answer in time");
                      if (health && *health) context_.log("health check: " + (*health)->message);
                      return health_answer(health && !*health);
                    },
                    context_.settings.store_deadline);
}

template <typename Result>
void HttpSession::ask_store(
    std::function<void(SignupStore&, const StoreHandoff::Done<Result>&)> work,
    std::function<Answer(const std::optional<Result>&)> answer_for, Clock::duration patience) {
  context_.store.ask<Result>(shared_from_this(), store_timer_, patience, std::move(work),
                             [this, answer_for = std::move(answer_for)](
                                 const std::optional<Result>& result) {
                               answer(answer_for(result), parser_->get().keep_alive());
                             });
}

void HttpSession::answer(Answer answer, bool keep_alive) {
  const unsigned version = parser_ && parser_->is_header_done() ? parser_->get().version() : kHttp11;
  response_ = make_response(std::move(answer), version, keep_alive && !context_.stopping, head_);
  stream_.expires_after(kWriteTimeout);
  http::async_write(stream_, response_,
                    [self = shared_from_this(), keep = response_.keep_alive()](
                        const beast::error_code& error, std::size_t) {
                      self->on_written(error, keep);
                    });
}

void HttpSession::on_written(const beast::error_code& error, bool keep_alive) {
  if (error) return close();
  if (!logged_request_.empty()) {
    metrics().request_duration[static_cast<std::size_t>(route_)].observe(Clock::now() -
                                                                         head_arrived_);
  }
  if (context_.access_log && !logged_request_.empty()) {
    context_.access_log(logged_request_ + " " + std::to_string(response_.result_int()));
  }
  // A stop that came while this answer was on its way ends the connection.
  if (keep_alive && !context_.stopping) {
    deadline_ = Clock::now() + kRequestDeadline;
    return read_request();
  }
  const bool unread = refused_early_ || (parser_ && !parser_->is_done());
  if (!unread) return close();
  // Closing with the client's bytes unread would reset the connection and
  // could take the answer with it.
  beast::error_code ignored;
  stream_.socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
  phase_ = Phase::Lingering;
  buffer_.clear();
  stream_.expires_after(kLingerTimeout);
  linger();
}

void HttpSession::linger() {
  stream_.async_read_some(buffer_.prepare(kDrainBytes),
                          [self = shared_from_this()](const beast::error_code& error, std::size_t) {
                            if (error) return self->close();
                            self->buffer_.clear();
                            self->linger();
                          });
}

void HttpSession::close() {
  beast::error_code ignored;
  stream_.socket().shutdown(net::ip::tcp::socket::shutdown_both, ignored);
  stream_.close();
}

}  // namespace brevolt::signup
