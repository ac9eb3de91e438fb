#pragma once
// Loopback sockets that stand in for the servers a probe may meet: one that
// answers, one that refuses, one that never answers a SYN, and a name server
// that never replies.
#include <chrono>
#include <cstdint>
#include <string>

namespace brevolt::probe_test {

// An owned file descriptor, closed on destruction.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd();
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release();

 private:
  int fd_ = -1;
};

enum class Family { kIPv4, kIPv6 };

// A TCP socket bound to an ephemeral loopback port. Listening or not is up
// to the caller; bound but not listening, the port refuses connections and
// stays reserved so nobody else can start answering on it.
class LoopbackPort {
 public:
  // Invalid (check valid()) when the family is unavailable on this machine.
  explicit LoopbackPort(Family family = Family::kIPv4);

  bool valid() const { return fd_.valid(); }
  bool Listen(int backlog);
  std::uint16_t port() const { return port_; }
  int fd() const { return fd_.get(); }
  // "http://127.0.0.1:port/..." or "http://[::1]:port/...".
  std::string Url() const;

 private:
  Family family_;
  Fd fd_;
  std::uint16_t port_ = 0;
};

// A listener whose accept queue is full and never drained: further SYNs are
// dropped, so a connection attempt hangs until its caller gives up.
class BlackHole {
 public:
  BlackHole();
  bool valid() const { return full_; }
  std::string Url() const { return port_.Url(); }

 private:
  LoopbackPort port_;
  static constexpr int kMaxFillers = 8;
  Fd fillers_[kMaxFillers];
  bool full_ = false;
};

// Accepts one pending connection within `wait`; invalid if none came.
Fd AcceptWithin(int listener, std::chrono::milliseconds wait);

// True when the peer closed `connection` within `wait` (read gives end of
// file or a reset), false if it is still open.
bool PeerClosedWithin(int connection, std::chrono::milliseconds wait);

// A UDP socket on port 53 of a loopback address that reads queries and never
// answers them. Needs the right to bind a privileged port.
class SilentNameServer {
 public:
  explicit SilentNameServer(const char* address);
  bool valid() const { return fd_.valid(); }
  // True if at least one datagram has arrived.
  bool ReceivedQuery() const;

 private:
  Fd fd_;
};

}  // namespace brevolt::probe_test
