// Clients that trickle their requests, crowd in from one address, or never
// finish: each is held at the cost of a socket, and everyone else is served.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "server/constants.h"
#include "tests/server/raw_connection.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kPostHead =
    "POST /posttobrevolt2.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr const char* kGet = "GET /posttobrevolt2.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

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
  ASSERT_TRUE(server.wait_for_connections(kHosts * kPerHost));  // all accepted

  const auto res = server.client().Post(
      "/posttobrevolt2.asp", httplib::Params{{"name", "Ann"}, {"email", "ann@example.com"}});
  ASSERT_TRUE(res);
  EXPECT_EQ(res->get_header_value("Location"), "/thankyou.html");
  EXPECT_EQ(ReadSignups(server.db_path()).size(), 1u);
  // Held, not turned away.
  EXPECT_EQ(tricklers.still_open(), kHosts * kPerHost);
}

// The crowd trickles its heads, as slow clients would: the connection one
// over the limit is told so, the neighbour is served, and a place given
// back can be taken again.
TEST(SlowClients, ConnectionBeyondTheLimitOfOneAddressIsRefusedWhileOthersAreServed) {
  ServerUnderTest server;
  Tricklers crowd(server.port(), 2, 1, static_cast<int>(kMaxConnectionsPerAddress) - 1, 500ms);
  auto last = std::make_unique<Connection>(2, server.port());
  last->send_text(kPostHead);
  ASSERT_TRUE(server.wait_for_connections(kMaxConnectionsPerAddress));

  const Connection one_more(2, server.port());
  EXPECT_EQ(one_more.status_line(), "HTTP/1.1 503 Service Unavailable") << "served beyond the limit";
  const Connection neighbour(3, server.port());
  neighbour.send_text(kGet);
  EXPECT_EQ(neighbour.status_line(), "HTTP/1.1 200 OK");

  last.reset();
  ASSERT_TRUE(server.wait_for_connections(kMaxConnectionsPerAddress));  // with the neighbour's
  const Connection again(2, server.port());
  again.send_text(kGet);
  EXPECT_EQ(again.status_line(), "HTTP/1.1 200 OK");
  EXPECT_EQ(crowd.still_open(), static_cast<int>(kMaxConnectionsPerAddress) - 1);
  const auto log = server.log_lines();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("refused 1 connection(s) over the limit, the last from 127.0.0.2"),
            std::string::npos)
      << log[0];
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
         Clock::now() - start < 2 * kRequestDeadline) {
    slow.send_text(request.substr(sent++, 1));
    std::this_thread::sleep_for(500ms);
  }
  const auto cut_after = Clock::now() - start;
  EXPECT_TRUE(slow.closed_by_server());
  EXPECT_LT(sent, request.size());
  EXPECT_GE(cut_after, kRequestDeadline);
  EXPECT_TRUE(ReadSignups(server.db_path()).empty());
}

// Kept-alive and silent connections are not requests in progress: a stop
// closes them at once instead of waiting out their deadline.
TEST(SlowClients, StopDoesNotWaitForIdleConnections) {
  ServerUnderTest server;
  const Connection kept(2, server.port());
  kept.send_text(kGet);
  ASSERT_EQ(kept.status_line(), "HTTP/1.1 200 OK");
  const Connection silent(3, server.port());
  ASSERT_TRUE(server.wait_for_connections(2));
  const auto start = Clock::now();
  server.stop();
  EXPECT_LT(Clock::now() - start, kRequestDeadline / 2);
}

}  // namespace
}  // namespace brevolt::signup::test
