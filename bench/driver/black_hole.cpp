#include "bench/driver/black_hole.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "bench/driver/settings.h"

namespace brevolt::bench {
namespace {

// Long enough for the first filler's handshake to complete on loopback.
constexpr auto kFillSettle = 50ms;

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

[[noreturn]] void Fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

BlackHole::BlackHole(int port) {
  const sockaddr_in address = Loopback(port);
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) Fail("socket");
  const int on = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    Fail("bind black hole");
  }
  if (listen(listener_, 0) != 0) Fail("listen");
  // One completed connection fills a zero backlog; the second stays in
  // SYN_SENT and proves the queue is full.
  for (int& filler : fillers_) {
    filler = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (filler < 0) Fail("socket");
    if (connect(filler, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS) {
      Fail("connect filler");
    }
  }
  std::this_thread::sleep_for(kFillSettle);
}

BlackHole::~BlackHole() {
  for (const int filler : fillers_) close(filler);
  close(listener_);
}

}  // namespace brevolt::bench
