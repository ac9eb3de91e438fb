#include "server/signup_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "server/constants.h"
#include "server/routes.h"

namespace brevolt::signup {
namespace {
constexpr std::chrono::milliseconds kStartPollInterval{5};
}  // namespace

SignupServer::SignupServer(SignupStore& store, LogSink log, LogSink access_log)
    : http_(std::make_unique<httplib::Server>()) {
  install_routes(*http_, store, std::move(log));
  if (access_log) {
    http_->set_logger([access_log](const httplib::Request& request,
                                   const httplib::Response& response) {
      access_log(request.method + " " + request.path + " " + std::to_string(response.status));
    });
  }
  http_->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  // The library's default also sets SO_REUSEPORT, which would let a second
  // server start on our port and quietly take half the sign-ups into
  // another database.
  http_->set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  http_->set_keep_alive_timeout(kKeepAliveTimeout.count());
  http_->set_read_timeout(kReadTimeout);
  http_->set_write_timeout(kWriteTimeout);
}

SignupServer::~SignupServer() {
  stop();
}

std::optional<int> SignupServer::bind(const ListenAddress& address) {
  if (address.port == 0) {
    const int port = http_->bind_to_any_port(address.host);
    if (port <= 0) return std::nullopt;
    return port;
  }
  if (!http_->bind_to_port(address.host, address.port)) return std::nullopt;
  return address.port;
}

bool SignupServer::run() {
  {
    const std::lock_guard lock(mutex_);
    if (stop_requested_) {
      phase_ = Phase::Done;
      return true;
    }
    phase_ = Phase::Running;
  }
  const bool ok = http_->listen_after_bind();
  const std::lock_guard lock(mutex_);
  phase_ = Phase::Done;
  return ok;
}

void SignupServer::stop() {
  {
    const std::lock_guard lock(mutex_);
    stop_requested_ = true;
    if (phase_ != Phase::Running) return;
  }
  // httplib ignores a stop that arrives before its accept loop has started,
  // so wait for that loop (or for run() to have given up on its own).
  for (;;) {
    if (http_->is_running()) break;
    {
      const std::lock_guard lock(mutex_);
      if (phase_ == Phase::Done) return;
    }
    std::this_thread::sleep_for(kStartPollInterval);
  }
  {
    // httplib asserts that its socket is still open when it is stopped.
    const std::lock_guard lock(mutex_);
    if (listener_closed_) return;
    listener_closed_ = true;
  }
  http_->stop();
}

}  // namespace brevolt::signup
