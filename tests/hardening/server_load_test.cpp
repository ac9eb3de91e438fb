// The reference sign-up server as shipped (its executable, on an ephemeral
// loopback port) under many simultaneous sign-ups while other clients hold
// connections open without ever finishing a request.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/common/journey.h"
#include "tests/harness/server_process.h"
#include "tests/harness/signup_form.h"
#include "tests/harness/signup_rows.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kThreads = 8;
constexpr int kPerThread = 25;
// Each thread also repeats this many of its neighbour's addresses, in
// capitals, while the neighbour may still be sending them.
constexpr int kRepeats = 5;
constexpr auto kStartTimeout = 10s;
constexpr auto kStopTimeout = 30s;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Email(int thread, int i) {
  return "load" + std::to_string(thread) + "-" + std::to_string(i) + "@example.org";
}

// brevolt-signup-server on a port of its own choosing, behind loopback as
// its proxy: each request names its own client, so that the sign-up rate
// limit, which applies per client, lets the load through.
class Server {
 public:
  explicit Server(const fs::path& db)
      : db_(db), process_({"--db", db.string(), "--trusted-proxy", "127.0.0.1"}) {
    port_ = process_.port();
  }
  int port() const { return port_; }
  Child& process() { return process_.process(); }
  httplib::Client Client() const {
    httplib::Client client("127.0.0.1", port_);
    client.set_connection_timeout(10s);
    client.set_read_timeout(30s);
    client.set_write_timeout(30s);
    return client;
  }
  // email -> how often it is stored, compared without case.
  std::map<std::string, int> StoredEmails() const {
    std::map<std::string, int> stored;
    for (const auto& row : ReadSignups(db_)) ++stored[Lower(row.email)];
    return stored;
  }

 private:
  fs::path db_;
  ServerProcess process_;
  int port_ = 0;
};

int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Clients that open a connection and then trickle a request's head a byte at
// a time, never reaching its end, until told to stop (or `limit` passes).
class SlowClients {
 public:
  SlowClients(int port, int count, std::chrono::milliseconds gap, std::chrono::seconds limit) {
    for (int i = 0; i < count; ++i) {
      const int fd = Connect(port);
      if (fd >= 0) fds_.push_back(fd);
    }
    thread_ = std::thread([this, gap, limit] {
      const std::string head =
          "POST /posttobrevolt2.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " +
          std::string(4000, 'a');
      const auto deadline = std::chrono::steady_clock::now() + limit;
      for (char byte : head) {
        if (stop_ || std::chrono::steady_clock::now() > deadline) break;
        for (int fd : fds_) send(fd, &byte, 1, MSG_NOSIGNAL);
        std::this_thread::sleep_for(gap);
      }
    });
  }
  ~SlowClients() { Stop(); }
  std::size_t connected() const { return fds_.size(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (int fd : fds_) close(fd);
    fds_.clear();
  }

 private:
  std::vector<int> fds_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class ServerLoadTest : public ::testing::Test {
 protected:
  ScratchDir dir_{"brevolt-load"};
  Server server_{dir_.path() / "signups.db"};
};

TEST_F(ServerLoadTest, EverySignUpIsStoredOnceWhileSlowClientsHang) {
  // Clients trickling their heads, some that connect and never send a
  // byte, and one that stops half-way through its head.
  SlowClients trickling(server_.port(), 4, 250ms, 120s);
  ASSERT_EQ(trickling.connected(), 4u);
  std::vector<int> silent;
  for (int i = 0; i < 3; ++i) silent.push_back(Connect(server_.port()));
  const int half = Connect(server_.port());
  const std::string partial = "POST /posttobrevolt2.asp HTTP/1.1\r\nContent-Length: 40\r\n\r\nname=";
  send(half, partial.data(), partial.size(), MSG_NOSIGNAL);

  std::atomic<int> thanked{0};
  std::atomic<int> other{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      auto client = server_.Client();
      int sent = 0;
      const auto submit = [&](const std::string& name, const std::string& email) {
        const httplib::Headers from = {
            {"X-Forwarded-For", "10." + std::to_string(t) + "." + std::to_string(++sent) + ".1"}};
        const auto res =
            client.Post("/posttobrevolt2.asp", from, LoadedForm(client, name, email, from));
        if (res && res->status == 303 && res->get_header_value("Location") == "/thankyou.html") {
          ++thanked;
        } else {
          ++other;
        }
      };
      for (int i = 0; i < kPerThread; ++i) {
        submit("Load " + std::to_string(t) + " " + std::to_string(i), Email(t, i));
        if (i < kRepeats) submit("Again", Upper(Email((t + 1) % kThreads, i)));
      }
    });
  }
  for (auto& thread : threads) thread.join();

  // A repeated address is thanked like a new one but kept once.
  EXPECT_EQ(thanked.load(), kThreads * (kPerThread + kRepeats));
  EXPECT_EQ(other.load(), 0);
  const auto stored = server_.StoredEmails();
  EXPECT_EQ(stored.size(), static_cast<std::size_t>(kThreads * kPerThread));
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kPerThread; ++i) {
      const auto it = stored.find(Email(t, i));
      EXPECT_TRUE(it != stored.end() && it->second == 1) << Email(t, i);
    }
  }

  // Still serving, with the slow clients still connected.
  const auto fresh = server_.Client().Get("/posttobrevolt2.asp");
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->status, 200);

  trickling.Stop();
  for (int fd : silent) close(fd);
  close(half);
  server_.process().Kill(SIGTERM);
  EXPECT_EQ(server_.process().WaitExit(kStopTimeout), 0);
}

// A second server told to listen where one already does must fail to start,
// not share the port: the kernel would split the sign-ups between the two
// databases.
TEST_F(ServerLoadTest, SecondServerOnTheSamePortRefusesToStart) {
  Child second({BuiltProgram("brevolt-signup-server"), "--listen",
                "127.0.0.1:" + std::to_string(server_.port()), "--db",
                (dir_.path() / "second.db").string()});
  const auto status = second.WaitExit(kStartTimeout);
  ASSERT_TRUE(status.has_value()) << "a second server started on a port in use";
  EXPECT_NE(*status, 0);
}

}  // namespace
}  // namespace brevolt::test
