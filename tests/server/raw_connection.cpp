#include "tests/server/raw_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace brevolt::signup::test {

Connection::Connection(int host, int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = htonl(INADDR_LOOPBACK - 1 + static_cast<uint32_t>(host));
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{5, 0};
  setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  connected_ = bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
               connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
}

Connection::~Connection() { close(fd_); }

bool Connection::send_text(const std::string& text) const {
  return send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

bool Connection::closed_by_server() const {
  char byte;
  const auto n = recv(fd_, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

std::string Connection::status_line() const {
  std::string reply;
  char buffer[1024];
  ssize_t n;
  while (reply.find("\r\n") == std::string::npos &&
         (n = recv(fd_, buffer, sizeof buffer, 0)) > 0) {
    reply.append(buffer, static_cast<std::size_t>(n));
  }
  return reply.substr(0, reply.find("\r\n"));
}

std::string Connection::read_all() const {
  std::string reply;
  char buffer[4096];
  ssize_t n;
  while ((n = recv(fd_, buffer, sizeof buffer, 0)) > 0) reply.append(buffer, static_cast<std::size_t>(n));
  return reply;
}

}  // namespace brevolt::signup::test
