#include "server/http/signup_server.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/http/write.hpp>
#include <chrono>
#include <exception>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "server/constants.h"
#include "server/http/connection_limits.h"
#include "server/http/http_session.h"

namespace brevolt::signup {
namespace {

namespace net = boost::asio;
using net::ip::tcp;

constexpr int kServiceUnavailable = 503;
constexpr unsigned kHttp11 = 11;
// Refused connections are logged at most this often, with a count.
constexpr std::chrono::seconds kRefusalLogInterval{1};

// Failures of the listener itself rather than of one connection: accepting
// again cannot help.
bool is_fatal(const boost::system::error_code& error) {
  return error == net::error::bad_descriptor || error == net::error::invalid_argument ||
         error == net::error::not_socket || error == net::error::operation_not_supported ||
         error == net::error::fault || error == net::error::operation_aborted;
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

IpAddress peer_of(const tcp::socket& socket, boost::system::error_code& error) {
  const auto address = socket.remote_endpoint(error).address();
  if (address.is_v4()) {
    return net::ip::make_address_v6(net::ip::v4_mapped, address.to_v4()).to_bytes();
  }
  return address.to_v6().to_bytes();
}

}  // namespace

struct SignupServer::Impl {
  Impl(SignupStore& store, ServerSettings settings_in, LogSink log, LogSink access_log)
      : settings(std::move(settings_in)),
        limits{settings.connections_per_client, kMaxConnections},
        store_calls(events, store_threads, store, log),
        context{store_calls,
                settings,
                std::move(log),
                std::move(access_log),
                SignupRateLimit(settings.signups_per_window, settings.signup_window),
                false,
                {},
                [this] { stop_bound.cancel(); }} {}

  void accept();
  void on_accept(const boost::system::error_code& error, tcp::socket socket);
  void refuse(tcp::socket socket, const std::string& client);
  void shut();
  void abandon_the_rest();
  void serve();

  ServerSettings settings;
  // Sessions touch these as they end: declared first, so that they are
  // still there however the rest goes.
  ConnectionLimits limits;
  net::io_context events;
  net::thread_pool store_threads{settings.store_threads};
  StoreHandoff store_calls;
  SessionContext context;
  tcp::acceptor acceptor{events};
  net::steady_timer retry{events};
  net::steady_timer stop_bound{events};
  std::chrono::steady_clock::time_point last_refusal_log{};
  std::size_t refusals_unlogged = 0;
  bool failed = false;
};

void SignupServer::Impl::accept() {
  acceptor.async_accept([this](const boost::system::error_code& error, tcp::socket socket) {
    on_accept(error, std::move(socket));
  });
}

void SignupServer::Impl::on_accept(const boost::system::error_code& error, tcp::socket socket) {
  if (context.stopping || !acceptor.is_open()) return;
  if (error == net::error::connection_aborted) return accept();
  if (error && is_fatal(error)) {
    context.log("cannot accept connections: " + error.message());
    failed = true;
    return shut();
  }
  if (error) {
    // Out of descriptors until others close, or one connection refused by
    // the network or a firewall: a pause, then on.
    if (error != net::error::no_descriptors && error.value() != ENFILE) {
      context.log("accepting a connection failed, trying again: " + error.message());
    }
    retry.expires_after(kAcceptRetryDelay);
    retry.async_wait([this](const boost::system::error_code& waited) {
      if (!waited) accept();
    });
    return;
  }
  boost::system::error_code peer_error;
  const auto peer = peer_of(socket, peer_error);
  if (!peer_error) {
    // Behind a trusted proxy every client shares its address: only the
    // total applies to its connections, the per-client limits to requests.
    const bool proxied = is_trusted(peer, settings.trusted_proxies);
    const auto key = limit_key(peer);
    auto ticket = proxied ? limits.admit_any() : limits.admit(key);
    if (ticket) {
      // Each answer is written whole: nothing to gain from holding it back.
      socket.set_option(tcp::no_delay(true), peer_error);
      std::make_shared<HttpSession>(std::move(socket), std::move(*ticket), peer, context)->start();
    } else {
      refuse(std::move(socket), key);
    }
  }
  accept();
}

// Told 503 in one write that never waits, then closed: a refused client
// costs no more than the accept.
void SignupServer::Impl::refuse(tcp::socket socket, const std::string& client) {
  std::ostringstream wire;
  wire << make_response(error_answer(kServiceUnavailable), kHttp11, false, false);
  const auto text = wire.str();
  boost::system::error_code ignored;
  socket.non_blocking(true, ignored);
  socket.send(net::buffer(text), 0, ignored);
  socket.shutdown(tcp::socket::shutdown_send, ignored);
  socket.close(ignored);
  ++refusals_unlogged;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_refusal_log < kRefusalLogInterval) return;
  context.log("refused " + std::to_string(refusals_unlogged) +
              " connection(s) over the limit, the last from " + client +
              (limits.full() ? " (the server is full)" : ""));
  refusals_unlogged = 0;
  last_refusal_log = now;
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
  if (context.live.empty()) return;
  stop_bound.expires_after(settings.stop_bound);
  stop_bound.async_wait([this](const boost::system::error_code& error) {
    if (!error) abandon_the_rest();
  });
}

void SignupServer::Impl::abandon_the_rest() {
  store_calls.abandon();
  if (!context.live.empty()) {
    context.log("stopping: abandoned " + std::to_string(context.live.size()) +
                " connection(s) still in progress");
  }
  const std::vector<HttpSession*> live(context.live.begin(), context.live.end());
  for (auto* session : live) session->abandon();
}

SignupServer::SignupServer(SignupStore& store, ServerSettings settings, LogSink log,
                           LogSink access_log)
    : impl_(std::make_unique<Impl>(store, std::move(settings), std::move(log),
                                   std::move(access_log))) {}

// Whatever the loop still holds (sessions, the store's late answers) ends
// here, on this thread, while everything a session touches as it ends (the
// live set, the limits, the stop timer) is still there. Left to the loop's
// destructor, it would end after some of them.
SignupServer::~SignupServer() {
  auto& impl = *impl_;
  impl.store_calls.abandon();
  impl.store_threads.join();  // work in progress hands its answer to the loop
  impl.events.restart();
  net::post(impl.events, [&impl] {
    impl.shut();
    impl.abandon_the_rest();
  });
  impl.serve();
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

// Returns once the listener is closed and every connection has ended. An
// exception escaping a handler ends that handler only.
void SignupServer::Impl::serve() {
  for (;;) {
    try {
      events.run();
      break;
    } catch (const std::exception& error) {
      context.log(std::string("internal error, serving on: ") + error.what());
    }
  }
}

bool SignupServer::run() {
  if (!impl_->acceptor.is_open()) return false;
  impl_->accept();
  impl_->serve();
  return !impl_->failed;
}

std::size_t SignupServer::open_connections() {
  std::promise<std::size_t> count;
  net::post(impl_->events, [&] { count.set_value(impl_->context.live.size()); });
  return count.get_future().get();
}

void SignupServer::stop() {
  net::post(impl_->events, [impl = impl_.get()] { impl->shut(); });
}

}  // namespace brevolt::signup
