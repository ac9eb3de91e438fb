#pragma once
// The HTTP side of the sign-up server: binds, serves every connection from
// one event thread (a slow client costs a socket, never a thread), records
// sign-ups on a thread of their own, and stops cleanly.
#include <memory>
#include <optional>

#include "server/system/log_sink.h"
#include "server/options.h"

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
  // The port is never shared with another listener.
  std::optional<int> bind(const ListenAddress& address);

  // Serves until stop(); returns false if listening failed.
  bool run();

  // Callable from any thread, before, during or after run(). The listener
  // closes; run() answers the requests in progress, then returns.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brevolt::signup
