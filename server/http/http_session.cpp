#include "server/http/http_session.h"

#include <boost/asio/post.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <exception>

#include "server/constants.h"
#include "server/http/form_guard.h"
#include "server/store/mailing_list.h"
#include "server/store/signup_store.h"
#include "server/token.h"

namespace brevolt::signup {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;

constexpr int kBadRequest = 400;
constexpr int kPayloadTooLarge = 413;
constexpr int kHeaderFieldsTooLarge = 431;
constexpr int kServerError = 500;
constexpr unsigned kHttp11 = 11;
// Read and dropped per step while lingering.
constexpr std::size_t kDrainBytes = 4096;

std::string_view view(beast::string_view text) { return {text.data(), text.size()}; }

std::string_view path_of(const http::request<http::string_body>& request) {
  const auto target = view(request.target());
  return target.substr(0, target.find('?'));
}

std::string_view query_of(const http::request<http::string_body>& request) {
  const auto target = view(request.target());
  const auto mark = target.find('?');
  return mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

// Malformed requests are refused; a reset, a timeout or a stop is not a
// request at all.
std::optional<int> refusal_for(const beast::error_code& error) {
  if (error == http::error::body_limit) return kPayloadTooLarge;
  if (error == http::error::header_limit) return kHeaderFieldsTooLarge;
  if (error == http::error::end_of_stream || error == http::error::partial_message) {
    return std::nullopt;
  }
  if (error.category() == http::make_error_code(http::error::bad_target).category()) {
    return kBadRequest;
  }
  return std::nullopt;
}

// Every X-Forwarded-For line, in order, as one list.
std::string forwarded_for(const http::request<http::string_body>& request) {
  std::string joined;
  const auto [first, last] = request.equal_range("X-Forwarded-For");
  for (auto field = first; field != last; ++field) {
    if (!joined.empty()) joined += ',';
    joined += view(field->value());
  }
  return joined;
}

}  // namespace

HttpSession::HttpSession(net::ip::tcp::socket socket, ConnectionLimits::Ticket ticket,
                         const IpAddress& peer, SessionContext& context)
    : stream_(std::move(socket)),
      ticket_(std::move(ticket)),
      peer_(peer),
      context_(context),
      store_timer_(context.events),
      deadline_(Clock::now() + kRequestDeadline) {}

HttpSession::~HttpSession() {
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
  note_request();
  const auto& request = parser_->get();
  const auto client =
      client_address(peer_, forwarded_for(request), context_.settings.trusted_proxies);
  client_ = limit_key(client);
  client_address_ = to_string(client);
  if (const auto refusal = refusal_of_header()) {
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

// Framing a proxy in front could read otherwise than we do. The parser
// takes any Transfer-Encoding but chunked for "no body", and the body would
// then be served as the next request: only plain chunked is taken.
std::optional<int> HttpSession::refusal_of_header() const {
  const auto& request = parser_->get();
  const auto codings = request.count(http::field::transfer_encoding);
  if (codings > 0 &&
      (codings > 1 || request.count(http::field::content_length) > 0 ||
       !beast::iequals(request[http::field::transfer_encoding], "chunked"))) {
    return kBadRequest;
  }
  const auto hosts = request.count(http::field::host);
  if (hosts > 1 || (hosts == 0 && request.version() >= kHttp11)) return kBadRequest;
  return std::nullopt;
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
  if (parser_->is_header_done()) note_request();
  phase_ = Phase::Answering;
  answer(error_answer(*refusal), false);
}

void HttpSession::note_request() {
  const auto& request = parser_->get();
  logged_request_ = std::string(view(request.method_string())) + " " + std::string(path_of(request));
}

void HttpSession::handle() {
  const auto& request = parser_->get();
  head_ = request.method() == http::verb::head;
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
    context_.log("refused a sign-up from " + client_ + ": more than " +
                 std::to_string(context_.settings.signups_per_window) + " in the last " +
                 std::to_string(std::chrono::ceil<std::chrono::seconds>(
                                    context_.settings.signup_window)
                                    .count()) +
                 " s");
    return answer(signup_not_recorded(), parser_->get().keep_alive());
  }
  StoreWork<ListSignupResult> work =
      [this, signup = std::move(signup)](SignupStore& store, const auto& done) {
        const auto& guard = context_.settings.list.form_guard;
        if (auto refused = guard ? guard->spend(store, signup.form_token, signup.client_address)
                                 : std::nullopt) {
          return done(*refused);
        }
        // The link's secret is drawn here, off the event thread.
        store.sign_up(to_list_signup(signup, context_.settings.list), done);
      };
  ask_store<ListSignupResult>(
      std::move(work),
      [this](const std::optional<ListSignupResult>& outcome) {
        if (!outcome) {
          context_.log("could not record a sign-up: the store did not answer in time");
          return signup_not_recorded();
        }
        return after_signup(*outcome, context_.settings.list, context_.log);
      });
}

void HttpSession::act_on_link(LinkAction action) {
  const auto kind = action.kind;
  ask_store<LinkResult>(
      [action = std::move(action)](SignupStore& store) {
        const auto hash = token_hash(action.token);
        auto& list = store.list();
        return action.kind == LinkKind::Confirm ? list.confirm(hash) : list.unsubscribe(hash);
      },
      [this, kind](const std::optional<LinkResult>& result) {
        return after_link(kind, result.value_or(StoreFailure{"the store did not answer in time"}),
                          context_.log);
      });
}

void HttpSession::check_store() {
  using Health = std::optional<StoreFailure>;
  ask_store<Health>([](SignupStore& store) { return store.check(); },
                    [this](const std::optional<Health>& health) {
                      if (!health) context_.log("health check: the store did not answer in time");
                      if (health && *health) context_.log("health check: " + (*health)->message);
                      return health_answer(health && !*health);
                    });
}

template <typename Result>
void HttpSession::ask_store(std::function<Result(SignupStore&)> work,
                            std::function<Answer(const std::optional<Result>&)> answer_for) {
  ask_store<Result>(
      [work = std::move(work)](SignupStore& store, const std::function<void(Result)>& done) {
        done(work(store));
      },
      std::move(answer_for));
}

// Starts `work` on a store thread; it hands its result on, then or later.
// The answer comes from `answer_for` with the result, or with nothing once
// the store deadline has passed first (the work is then dropped if it has
// not begun).
template <typename Result>
void HttpSession::ask_store(StoreWork<Result> work,
                            std::function<Answer(const std::optional<Result>&)> answer_for) {
  struct Pending {
    std::atomic<bool> expired{false};
    bool answered = false;  // event thread only
  };
  auto pending = std::make_shared<Pending>();
  const auto finish = [self = shared_from_this(), pending,
                       answer_for](const std::optional<Result>& result) {
    if (pending->answered) return;
    pending->answered = true;
    self->store_timer_.cancel();
    self->answer(answer_for(result), self->parser_->get().keep_alive());
  };
  store_timer_.expires_after(context_.settings.store_deadline);
  store_timer_.async_wait([pending, finish](const boost::system::error_code& error) {
    if (error) return;
    pending->expired = true;
    finish(std::nullopt);
  });
  net::post(context_.store_threads, [self = shared_from_this(), pending, finish,
                                     work = std::move(work)]() mutable {
    if (pending->expired || self->context_.abandoned) return;
    // The session goes back whole to the event thread, which alone may end it.
    const auto reply = [self, finish](std::optional<Result> result) {
      net::post(self->context_.events, [finish, result = std::move(result)] { finish(result); });
    };
    try {
      work(self->context_.store, [reply](Result result) { reply(std::move(result)); });
    } catch (const std::exception& error) {
      // A store keeps its failures to itself; this is a last guard.
      self->context_.log(std::string("store work failed: ") + error.what());
      reply(std::nullopt);
    }
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
