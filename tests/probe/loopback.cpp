#include "tests/probe/loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace brevolt::probe_test {
namespace {

constexpr std::uint16_t kDnsPort = 53;
// How long a filler connection may take before the queue counts as full:
// a loopback handshake completes in microseconds when a slot is free.
constexpr std::chrono::milliseconds kHandshakeWait{100};

int PollFor(int fd, short events, std::chrono::milliseconds wait) {
  pollfd p{fd, events, 0};
  int n;
  do {
    n = poll(&p, 1, static_cast<int>(wait.count()));
  } while (n < 0 && errno == EINTR);
  return n > 0 ? p.revents : 0;
}

socklen_t FillLoopback(Family family, std::uint16_t port, sockaddr_storage& out) {
  std::memset(&out, 0, sizeof out);
  if (family == Family::kIPv4) {
    auto& a = reinterpret_cast<sockaddr_in&>(out);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sizeof a;
  }
  auto& a = reinterpret_cast<sockaddr_in6&>(out);
  a.sin6_family = AF_INET6;
  a.sin6_port = htons(port);
  a.sin6_addr = in6addr_loopback;
  return sizeof a;
}

}  // namespace

Fd::~Fd() {
  if (fd_ >= 0) close(fd_);
}

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.release();
  }
  return *this;
}

int Fd::release() { return std::exchange(fd_, -1); }

LoopbackPort::LoopbackPort(Family family) : family_(family) {
  Fd fd(socket(family == Family::kIPv4 ? AF_INET : AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return;
  sockaddr_storage address;
  socklen_t length = FillLoopback(family, 0, address);
  if (bind(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0) return;
  if (getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
  port_ = ntohs(family == Family::kIPv4 ? reinterpret_cast<sockaddr_in&>(address).sin_port
                                        : reinterpret_cast<sockaddr_in6&>(address).sin6_port);
  fd_ = std::move(fd);
}

bool LoopbackPort::Listen(int backlog) { return listen(fd_.get(), backlog) == 0; }

std::string LoopbackPort::Url() const {
  const char* host = family_ == Family::kIPv4 ? "127.0.0.1" : "[::1]";
  return "http://" + std::string(host) + ":" + std::to_string(port_) + "/posttobrevolt2.asp";
}

BlackHole::BlackHole() {
  // Backlog 0 still admits one connection into the accept queue; the
  // fillers take what room there is until a handshake no longer completes.
  if (!port_.valid() || !port_.Listen(0)) return;
  for (auto& filler : fillers_) {
    filler = Fd(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!filler.valid()) return;
    sockaddr_storage address;
    const socklen_t length = FillLoopback(Family::kIPv4, port_.port(), address);
    if (connect(filler.get(), reinterpret_cast<sockaddr*>(&address), length) == 0) continue;
    if (errno != EINPROGRESS) return;
    if ((PollFor(filler.get(), POLLOUT, kHandshakeWait) & POLLOUT) == 0) {
      full_ = true;
      return;
    }
  }
}

Fd AcceptWithin(int listener, std::chrono::milliseconds wait) {
  if ((PollFor(listener, POLLIN, wait) & POLLIN) == 0) return Fd();
  return Fd(accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
}

bool PeerClosedWithin(int connection, std::chrono::milliseconds wait) {
  if (PollFor(connection, POLLIN, wait) == 0) return false;
  char byte;
  const ssize_t n = recv(connection, &byte, 1, MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno == ECONNRESET);
}

SilentNameServer::SilentNameServer(const char* address) {
  Fd fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(kDnsPort);
  if (inet_pton(AF_INET, address, &a.sin_addr) != 1) return;
  if (bind(fd.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return;
  fd_ = std::move(fd);
}

bool SilentNameServer::ReceivedQuery() const {
  return (PollFor(fd_.get(), POLLIN, std::chrono::milliseconds(0)) & POLLIN) != 0;
}

}  // namespace brevolt::probe_test
