#pragma once
// The admin listener: the metrics and the dashboard, on an address of their
// own with a thread of their own, so that a scrape or a maker's browser
// never competes with visitors for the public listener.
#include <memory>
#include <optional>
#include <string>

#include "server/options.h"
#include "server/system/log_sink.h"

namespace brevolt::signup {

class SignupStore;

class AdminServer {
 public:
  // With a token, every request must present it (server/admin/admin_auth.h).
  AdminServer(SignupStore& store, std::optional<std::string> token, LogSink log);
  ~AdminServer();
  AdminServer(const AdminServer&) = delete;
  AdminServer& operator=(const AdminServer&) = delete;

  // The port bound, or nothing when the address cannot be used.
  std::optional<int> bind(const ListenAddress& address);
  // Serves on a thread of its own until stop() or destruction.
  void start();
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brevolt::signup
