#pragma once
// One client connection on the server's event thread: reads each request
// against its deadline, answers it, and keeps the connection for the next
// one when the client asks to.
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "server/http/connection_limits.h"
#include "server/system/log_sink.h"
#include "server/http/routes.h"

namespace brevolt::signup {

class HttpSession;
class SignupStore;

// What every connection shares; touched on the event thread only, except
// `store`, which only the store thread uses.
struct SessionContext {
  boost::asio::io_context& events;
  // Writes wait for the disk, and for other writers' locks, here rather
  // than on the event thread, which must keep serving everyone else.
  boost::asio::thread_pool& store_thread;
  SignupStore& store;
  LogSink log;
  LogSink access_log;
  bool stopping = false;
  std::unordered_set<HttpSession*> live;
};

class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(boost::asio::ip::tcp::socket socket, ConnectionLimits::Ticket ticket,
              SessionContext& context);
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  void start();
  // The server is stopping: a connection waiting for a request that has not
  // begun is closed; a request under way is still answered, then closed.
  void stop();

 private:
  using Clock = std::chrono::steady_clock;
  enum class Phase { Waiting, Reading, Answering, Lingering };

  void read_request();
  void on_header(const boost::beast::error_code& error);
  void read_body();
  void on_request(const boost::beast::error_code& error);
  void on_read_failed(const boost::beast::error_code& error);
  void note_request();
  void handle();
  void record(SignupToRecord signup);
  void answer(Answer answer, bool keep_alive);
  void on_written(const boost::beast::error_code& error, bool keep_alive);
  void linger();
  void close();

  boost::beast::tcp_stream stream_;
  ConnectionLimits::Ticket ticket_;
  SessionContext& context_;
  Phase phase_ = Phase::Waiting;
  Clock::time_point deadline_;
  bool head_ = false;  // answering HEAD: headers only
  std::string logged_request_;  // "METHOD PATH", once the head has arrived
  boost::beast::flat_buffer buffer_;
  std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> parser_;
  boost::beast::http::response<boost::beast::http::empty_body> continue_;
  boost::beast::http::response<boost::beast::http::string_body> response_;
};

}  // namespace brevolt::signup
