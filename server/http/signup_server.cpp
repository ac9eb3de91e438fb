#include "server/http/signup_server.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <string>
#include <vector>

#include "server/http/connection_limits.h"
#include "server/constants.h"
#include "server/http/http_session.h"

namespace brevolt::signup {
namespace {

namespace net = boost::asio;
using net::ip::tcp;

// Failures that pass once other connections have closed.
bool is_transient(const boost::system::error_code& error) {
  return error == net::error::no_descriptors || error == net::error::no_buffer_space ||
         error == net::error::no_memory || error.value() == ENFILE;
}

// SO_REUSEADDR alone: a restart may take the port from connections still
// closing, but never from a server that listens on it.
bool listen_on(tcp::acceptor& acceptor, const tcp::endpoint& endpoint) {
  boost::system::error_code error;
  acceptor.close(error);
  acceptor.open(endpoint.protocol(), error);
  if (!error) acceptor.set_option(tcp::acceptor::reuse_address(true), error);
  if (!error) acceptor.bind(endpoint, error);
  if (!error) acceptor.listen(net::socket_base::max_listen_connections, error);
  return !error;
}

}  // namespace

struct SignupServer::Impl {
  Impl(SignupStore& store, LogSink log, LogSink access_log)
      : context{events, store_thread, store, std::move(log), std::move(access_log), false, {}} {}

  void accept();
  void on_accept(const boost::system::error_code& error, tcp::socket socket);
  void shut();

  // Declared before the loop and the store thread, so that they outlive
  // every session those may still hold when the server goes.
  ConnectionLimits limits{kMaxConnectionsPerAddress, kMaxConnections};
  SessionContext context;
  net::io_context events;
  net::thread_pool store_thread{1};
  tcp::acceptor acceptor{events};
  net::steady_timer retry{events};
  bool failed = false;
};

void SignupServer::Impl::accept() {
  acceptor.async_accept([this](const boost::system::error_code& error, tcp::socket socket) {
    on_accept(error, std::move(socket));
  });
}

void SignupServer::Impl::on_accept(const boost::system::error_code& error, tcp::socket socket) {
  if (context.stopping || !acceptor.is_open()) return;
  if (is_transient(error)) {
    retry.expires_after(kAcceptRetryDelay);
    retry.async_wait([this](const boost::system::error_code& waited) {
      if (!waited) accept();
    });
    return;
  }
  if (error == net::error::connection_aborted) return accept();
  if (error) {
    context.log("cannot accept connections: " + error.message());
    failed = true;
    return shut();
  }
  boost::system::error_code ignored;
  const auto peer = socket.remote_endpoint(ignored).address().to_string();
  // A refused connection is closed at once, so its client knows.
  if (auto ticket = limits.admit(peer)) {
    std::make_shared<HttpSession>(std::move(socket), std::move(*ticket), context)->start();
  }
  accept();
}

void SignupServer::Impl::shut() {
  if (context.stopping) return;
  context.stopping = true;
  boost::system::error_code ignored;
  acceptor.close(ignored);
  retry.cancel();
  // Closing a session removes it from the set.
  const std::vector<HttpSession*> live(context.live.begin(), context.live.end());
  for (auto* session : live) session->stop();
}

SignupServer::SignupServer(SignupStore& store, LogSink log, LogSink access_log)
    : impl_(std::make_unique<Impl>(store, std::move(log), std::move(access_log))) {}

SignupServer::~SignupServer() {
  impl_->events.stop();
  impl_->store_thread.join();
}

std::optional<int> SignupServer::bind(const ListenAddress& address) {
  auto& acceptor = impl_->acceptor;
  boost::system::error_code error;
  tcp::resolver resolver(impl_->events);
  const auto endpoints = resolver.resolve(address.host, std::to_string(address.port),
                                          tcp::resolver::passive | tcp::resolver::numeric_service,
                                          error);
  if (error) return std::nullopt;
  for (const auto& entry : endpoints) {
    if (listen_on(acceptor, entry.endpoint())) return acceptor.local_endpoint().port();
  }
  acceptor.close(error);
  return std::nullopt;
}

bool SignupServer::run() {
  if (!impl_->acceptor.is_open()) return false;
  impl_->accept();
  // Returns once the listener is closed and every connection has ended.
  impl_->events.run();
  return !impl_->failed;
}

void SignupServer::stop() {
  net::post(impl_->events, [impl = impl_.get()] { impl->shut(); });
}

}  // namespace brevolt::signup
