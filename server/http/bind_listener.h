#pragma once
// Binding a listener to HOST:PORT, the public one and the admin one alike.
#include <boost/asio/ip/tcp.hpp>
#include <optional>

#include "server/options.h"

namespace brevolt::signup {

// Opens `acceptor` on the first address `address` resolves to that it can
// listen on; the port bound (useful with port 0), or nothing. SO_REUSEADDR
// alone: a restart may take the port from connections still closing, but
// never from a listener that has it.
std::optional<int> bind_listener(boost::asio::ip::tcp::acceptor& acceptor,
                                 const ListenAddress& address);

}  // namespace brevolt::signup
