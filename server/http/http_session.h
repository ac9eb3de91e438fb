#pragma once
// One client connection on the server's event thread: reads each request
// against its deadline, answers it, and keeps the connection for the next
// one when the client asks to.
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "server/admin/metrics.h"
#include "server/http/client_address.h"
#include "server/http/connection_limits.h"
#include "server/http/responses.h"
#include "server/http/routes.h"
#include "server/http/server_settings.h"
#include "server/http/signup_rate_limit.h"
#include "server/http/store_handoff.h"
#include "server/system/log_sink.h"

namespace brevolt::signup {

class HttpSession;

// What every connection shares; touched on the event thread only, except
// `store`, which hands work to the store threads.
struct SessionContext {
  // Writes wait for the disk, other writers' locks and the database server
  // on threads of their own rather than on the event thread, which must
  // keep serving everyone.
  StoreHandoff& store;
  const ServerSettings& settings;
  LogSink log;
  LogSink access_log;
  SignupRateLimit signup_limit;
  bool stopping = false;
  std::unordered_set<HttpSession*> live;
  // Called when the last session ends while stopping.
  std::function<void()> all_closed;
};

class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(boost::asio::ip::tcp::socket socket, ConnectionLimits::Ticket ticket,
              const IpAddress& peer, SessionContext& context);
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  void start();
  // The server is stopping: a connection waiting for a request that has not
  // begun is closed; a request under way is still answered, then closed.
  void stop();
  // The stop's bound has passed: closed whatever it is doing.
  void abandon();

 private:
  using Clock = std::chrono::steady_clock;
  enum class Phase { Waiting, Reading, Answering, Lingering };

  void read_request();
  void on_header(const boost::beast::error_code& error);
  void read_body();
  void on_request(const boost::beast::error_code& error);
  void on_read_failed(const boost::beast::error_code& error);
  void note_head();
  void handle();
  void record(SignupToRecord signup);
  void check_store();
  void act_on_link(LinkAction action);
  // `work` runs on a store thread; `answer_for` makes the answer on this
  // one, from its result or from nothing once `patience` has passed.
  template <typename Result>
  void ask_store(std::function<void(SignupStore&, const StoreHandoff::Done<Result>&)> work,
                 std::function<Answer(const std::optional<Result>&)> answer_for,
                 Clock::duration patience);
  void answer(Answer answer, bool keep_alive);
  void on_written(const boost::beast::error_code& error, bool keep_alive);
  void linger();
  void close();

  boost::beast::tcp_stream stream_;
  ConnectionLimits::Ticket ticket_;
  IpAddress peer_;
  SessionContext& context_;
  boost::asio::steady_timer store_timer_;
  Phase phase_ = Phase::Waiting;
  Clock::time_point deadline_;
  bool head_ = false;  // answering HEAD: headers only
  // The request was refused before its body was read (or where its body
  // could not be told from the next request): drained, never kept alive.
  bool refused_early_ = false;
  std::string client_;  // the request's client, as the limits count it
  std::string client_address_;  // the same, whole, for the consent record
  std::string logged_request_;  // "METHOD PATH", once the head has arrived
  RouteName route_ = RouteName::Other;
  Clock::time_point head_arrived_{};
  boost::beast::flat_buffer buffer_;
  std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> parser_;
  boost::beast::http::response<boost::beast::http::empty_body> continue_;
  HttpResponse response_;
};

}  // namespace brevolt::signup
