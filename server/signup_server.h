#pragma once
// The HTTP side of the sign-up server: binds, serves on httplib's worker
// threads, and stops cleanly.
#include <memory>
#include <mutex>
#include <optional>

#include "server/log_sink.h"
#include "server/options.h"

namespace httplib {
class Server;
}

namespace brevolt::signup {

class SignupStore;

class SignupServer {
 public:
  // `access_log`, if given, receives "METHOD PATH STATUS" for every answered
  // request, so whoever started the server can follow the journey.
  SignupServer(SignupStore& store, LogSink log, LogSink access_log = {});
  ~SignupServer();
  SignupServer(const SignupServer&) = delete;
  SignupServer& operator=(const SignupServer&) = delete;

  // The port actually bound (useful with port 0), or nothing on failure.
  std::optional<int> bind(const ListenAddress& address);

  // Serves until stop(); returns false if listening failed.
  bool run();

  // Callable from any thread, before, during or after run(). Returns once
  // the listener is closed; run() then answers the requests in progress
  // before it returns.
  void stop();

 private:
  enum class Phase { Idle, Running, Done };

  std::unique_ptr<httplib::Server> http_;
  std::mutex mutex_;
  Phase phase_ = Phase::Idle;
  bool stop_requested_ = false;
  bool listener_closed_ = false;
};

}  // namespace brevolt::signup
