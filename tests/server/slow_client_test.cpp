// Clients that trickle their requests, crowd in from one address, or never
// finish: each is held at the cost of a socket, and everyone else is served.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "server/constants.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kPostHead =
    "POST /posttobrevolt2.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr const char* kGet = "GET /posttobrevolt2.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

// A connection from 127.0.0.<host>: every address in 127.0.0.0/8 reaches a
// server listening on 127.0.0.1, and counts as a client of its own.
class Connection {
 public:
  Connection(int host, int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
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
  ~Connection() { close(fd_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool connected() const { return connected_; }
  bool send_text(const std::string& text) const {
    return send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
  }
  // True once the server has closed its end (or reset it).
  bool closed_by_server() const {
    char byte;
    const auto n = recv(fd_, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
  }
  // The answer's status line, or "" if the connection closed without one.
  std::string status_line() const {
    std::string reply;
    char buffer[1024];
    ssize_t n;
    while (reply.find("\r\n") == std::string::npos &&
           (n = recv(fd_, buffer, sizeof buffer, 0)) > 0) {
      reply.append(buffer, static_cast<std::size_t>(n));
    }
    return reply.substr(0, reply.find("\r\n"));
  }

 private:
  int fd_;
  bool connected_ = false;
};

// Opens `per_host` connections from each of `hosts` addresses, starts a
// POST on each, then sends one more header byte to all every `gap`.
class Tricklers {
 public:
  Tricklers(int port, int first_host, int hosts, int per_host, std::chrono::milliseconds gap) {
    for (int host = first_host; host < first_host + hosts; ++host) {
      for (int i = 0; i < per_host; ++i) {
        auto& connection = connections_.emplace_back(std::make_unique<Connection>(host, port));
        connection->send_text(kPostHead);
      }
    }
    thread_ = std::thread([this, gap] {
      while (!stop_) {
        for (auto& connection : connections_) connection->send_text("X");
        std::this_thread::sleep_for(gap);
      }
    });
  }
  ~Tricklers() {
    stop_ = true;
    thread_.join();
  }
  int connected() const {
    int count = 0;
    for (const auto& connection : connections_) count += connection->connected();
    return count;
  }
  int still_open() const {
    int count = 0;
    for (const auto& connection : connections_) count += !connection->closed_by_server();
    return count;
  }

 private:
  std::vector<std::unique_ptr<Connection>> connections_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(SlowClients, TwoHundredTricklersFromSeveralAddressesDoNotHoldUpAnHonestSignUp) {
  ServerUnderTest server;
  constexpr int kHosts = 10;
  constexpr int kPerHost = 20;
  Tricklers tricklers(server.port(), 2, kHosts, kPerHost, 500ms);
  ASSERT_EQ(tricklers.connected(), kHosts * kPerHost);
  std::this_thread::sleep_for(300ms);  // all accepted and under way

  const auto start = Clock::now();
  const auto res = server.client().Post(
      "/posttobrevolt2.asp", httplib::Params{{"name", "Ann"}, {"email", "ann@example.com"}});
  const auto took = Clock::now() - start;
  ASSERT_TRUE(res);
  EXPECT_EQ(res->get_header_value("Location"), "/thankyou.html");
  EXPECT_LT(took, 2s);
  EXPECT_EQ(read_rows(server.db_path()).size(), 1u);
  // Held, not turned away.
  EXPECT_EQ(tricklers.still_open(), kHosts * kPerHost);
}

TEST(SlowClients, ConnectionBeyondTheLimitOfOneAddressIsRefusedWhileOthersAreServed) {
  ServerUnderTest server;
  std::vector<std::unique_ptr<Connection>> crowd;
  for (std::size_t i = 0; i < kMaxConnectionsPerAddress; ++i) {
    crowd.push_back(std::make_unique<Connection>(2, server.port()));
    crowd.back()->send_text(kPostHead);
  }
  std::this_thread::sleep_for(200ms);

  const Connection one_more(2, server.port());
  one_more.send_text(kGet);
  EXPECT_EQ(one_more.status_line(), "") << "served beyond the limit";

  const Connection neighbour(3, server.port());
  neighbour.send_text(kGet);
  EXPECT_EQ(neighbour.status_line(), "HTTP/1.1 200 OK");

  // A place given back is a place to take again.
  crowd.pop_back();
  std::this_thread::sleep_for(200ms);
  const Connection again(2, server.port());
  again.send_text(kGet);
  EXPECT_EQ(again.status_line(), "HTTP/1.1 200 OK");
  for (const auto& connection : crowd) EXPECT_FALSE(connection->closed_by_server());
}

TEST(SlowClients, RequestDribbledPastTheDeadlineIsCutAndNothingIsStored) {
  ServerUnderTest server;
  const std::string body = "name=Ann&email=ann%40example.com";
  const std::string request = std::string(kPostHead) +
                              "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  const Connection slow(2, server.port());
  const auto start = Clock::now();
  // One byte every half second: the request would take far longer than
  // the deadline to arrive whole.
  std::size_t sent = 0;
  while (sent < request.size() && !slow.closed_by_server() &&
         Clock::now() - start < kRequestDeadline + 3s) {
    slow.send_text(request.substr(sent++, 1));
    std::this_thread::sleep_for(500ms);
  }
  const auto cut_after = Clock::now() - start;
  EXPECT_TRUE(slow.closed_by_server());
  EXPECT_LT(sent, request.size());
  EXPECT_GE(cut_after, kRequestDeadline);
  EXPECT_LT(cut_after, kRequestDeadline + 2s);
  EXPECT_TRUE(read_rows(server.db_path()).empty());
}

// Kept-alive and silent connections are not requests in progress: a stop
// closes them at once instead of waiting out their deadline.
TEST(SlowClients, StopDoesNotWaitForIdleConnections) {
  ServerUnderTest server;
  const Connection kept(2, server.port());
  kept.send_text(kGet);
  ASSERT_EQ(kept.status_line(), "HTTP/1.1 200 OK");
  const Connection silent(3, server.port());
  std::this_thread::sleep_for(100ms);
  const auto start = Clock::now();
  server.stop();
  EXPECT_LT(Clock::now() - start, kRequestDeadline / 2);
}

}  // namespace
}  // namespace brevolt::signup::test
