#include "server/http/bind_listener.h"

#include <string>

namespace brevolt::signup {
namespace {

using boost::asio::ip::tcp;

bool listen_on(tcp::acceptor& acceptor, const tcp::endpoint& endpoint) {
  boost::system::error_code error;
  acceptor.close(error);
  acceptor.open(endpoint.protocol(), error);
  if (!error) acceptor.set_option(tcp::acceptor::reuse_address(true), error);
  if (!error) acceptor.bind(endpoint, error);
  if (!error) acceptor.listen(boost::asio::socket_base::max_listen_connections, error);
  return !error;
}

}  // namespace

std::optional<int> bind_listener(tcp::acceptor& acceptor, const ListenAddress& address) {
  boost::system::error_code error;
  tcp::resolver resolver(acceptor.get_executor());
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

}  // namespace brevolt::signup
