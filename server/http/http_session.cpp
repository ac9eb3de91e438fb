#include "server/http/http_session.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <exception>

#include "server/constants.h"
#include "server/store/signup_store.h"

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

beast::string_view view(std::string_view text) { return {text.data(), text.size()}; }
std::string_view view(beast::string_view text) { return {text.data(), text.size()}; }

std::string_view path_of(const http::request<http::string_body>& request) {
  const auto target = view(request.target());
  return target.substr(0, target.find('?'));
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

}  // namespace

HttpSession::HttpSession(net::ip::tcp::socket socket, ConnectionLimits::Ticket ticket,
                         SessionContext& context)
    : stream_(std::move(socket)),
      ticket_(std::move(ticket)),
      context_(context),
      deadline_(Clock::now() + kRequestDeadline) {}

HttpSession::~HttpSession() { context_.live.erase(this); }

void HttpSession::start() {
  context_.live.insert(this);
  read_request();
}

void HttpSession::stop() {
  const bool request_begun = buffer_.size() > 0 || (parser_ && parser_->got_some());
  if (phase_ == Phase::Lingering || (phase_ == Phase::Waiting && !request_begun)) close();
}

void HttpSession::read_request() {
  phase_ = Phase::Waiting;
  head_ = false;
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
  const Request req{view(request.method_string()), path_of(request),
                    view(request[http::field::content_type]), request.body()};
  auto routed = route(req);
  if (auto* signup = std::get_if<SignupToRecord>(&routed)) return record(std::move(*signup));
  answer(std::get<Answer>(std::move(routed)), request.keep_alive());
}

void HttpSession::record(SignupToRecord signup) {
  // Keeps the event loop, and so a stop, waiting for the answer.
  auto work = net::make_work_guard(context_.events);
  net::post(context_.store_thread, [self = shared_from_this(), signup = std::move(signup),
                                    work = std::move(work)]() mutable {
    auto outcome = self->context_.store.add(signup.name, signup.email);
    auto& events = self->context_.events;
    // The session goes back whole to the event thread, which alone may end it.
    net::post(events, [self = std::move(self), outcome = std::move(outcome)] {
      self->answer(after_recording(outcome, self->context_.log), self->parser_->get().keep_alive());
    });
  });
}

void HttpSession::answer(Answer answer, bool keep_alive) {
  const unsigned version = parser_ && parser_->is_header_done() ? parser_->get().version() : kHttp11;
  response_ = http::response<http::string_body>(static_cast<http::status>(answer.status), version);
  for (const auto& [name, value] : kAnswerHeaders) response_.set(view(name), view(value));
  response_.set(http::field::content_type, view(kHtmlContentType));
  if (!answer.location.empty()) response_.set(http::field::location, answer.location);
  response_.body() = std::move(answer.html);
  response_.keep_alive(keep_alive && !context_.stopping);
  response_.prepare_payload();
  if (head_) response_.body().clear();  // the length still says what GET would send
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
  const bool unread = parser_ && !parser_->is_done();
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
