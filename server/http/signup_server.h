#pragma once
// The HTTP side of the sign-up server: binds, serves every connection from
// one event thread (a slow client costs a socket, never a thread), records
// sign-ups on threads of their own, and stops within a bound.
#include <memory>
#include <optional>

#include "server/http/server_settings.h"
#include "server/options.h"
#include "server/system/log_sink.h"

namespace brevolt::signup {

class SignupStore;

class SignupServer {
 public:
  // `access_log`, if given, receives "METHOD PATH STATUS" for every answered
  // request, so whoever started the server can follow the journey.
  SignupServer(SignupStore& store, ServerSettings settings, LogSink log,
               LogSink access_log = {});
  ~SignupServer();
  SignupServer(const SignupServer&) = delete;
  SignupServer& operator=(const SignupServer&) = delete;

  // The port actually bound (useful with port 0), or nothing on failure.
  // The port is never shared with another listener.
  std::optional<int> bind(const ListenAddress& address);

  // Serves until stop(); returns false if listening failed.
  bool run();

  // Callable from any thread, before, during or after run(). The listener
  // closes; run() answers the requests in progress within the settings'
  // stop bound, abandons what is left, then returns.
  void stop();

  // Connections open now. From any thread but the one in run(), while
  // run() serves.
  std::size_t open_connections();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brevolt::signup
