// Several servers on one PostgreSQL database, as behind a proxy: started
// together (their schema set-up takes turns), each address posted to all
// of them in different letter cases, one row per address in the end, and
// the day's counts the sum of what each instance counted. Each visitor
// loads the form from one instance and sends it to the next, whose token it
// is not, as a balancer may do.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <csignal>
#include <cctype>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "server/store/daily_counts.h"
#include "tests/harness/pg_cluster.h"
#include "tests/harness/server_process.h"
#include "tests/harness/signup_form.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

using brevolt::test::ServerProcess;
using brevolt::test::SharedPgCluster;

constexpr int kInstances = 3;
constexpr int kAddresses = 20;

// The same mailbox in another letter case for each instance.
std::string spelling(int address, int instance) {
  std::string email = "member" + std::to_string(address) + "@example.com";
  for (std::size_t i = 0; i < email.size(); ++i) {
    if ((i + static_cast<std::size_t>(instance)) % 3 == 0) {
      email[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(email[i])));
    }
  }
  return email;
}

TEST(SeveralInstances, EachAddressPostedToAllEndsAsOneRow) {
  auto& cluster = SharedPgCluster();
  const auto uri = cluster.create_database();
  // Loopback stands for the proxy; each address is a visitor of its own.
  std::vector<std::unique_ptr<ServerProcess>> servers;
  for (int n = 0; n < kInstances; ++n) {
    servers.push_back(std::make_unique<ServerProcess>(
        std::vector<std::string>{"--db", uri, "--trusted-proxy", "127.0.0.1"}));
  }
  std::vector<int> ports;
  for (auto& server : servers) ports.push_back(server->port());
  std::vector<std::thread> visitors;
  std::atomic<int> thanked{0};
  std::atomic<int> replays_thanked{0};
  const auto client_of = [&](int n) {
    httplib::Client client("127.0.0.1", ports[static_cast<std::size_t>(n % kInstances)]);
    client.set_read_timeout(std::chrono::seconds(30));
    return client;
  };
  for (int n = 0; n < kInstances; ++n) {
    visitors.emplace_back([&, n] {
      auto loader = client_of(n);
      auto sender = client_of(n + 1);
      auto replayer = client_of(n + 2);
      for (int a = 0; a < kAddresses; ++a) {
        const httplib::Headers from = {{"X-Forwarded-For", "198.51.100." + std::to_string(a)}};
        auto form = brevolt::test::LoadedForm(loader, "N", spelling(a, n), from);
        const auto res = sender.Post("/posttobrevolt2.asp", from, form);
        if (res && res->get_header_value("Location") == "/thankyou.html") ++thanked;
        // The same token once more, at the third: it knows it was spent.
        if (a == 0) {
          const auto again = replayer.Post("/posttobrevolt2.asp", from, form);
          if (!again || again->get_header_value("Location") != "/sorry.html") ++replays_thanked;
        }
      }
    });
  }
  for (auto& visitor : visitors) visitor.join();
  EXPECT_EQ(thanked.load(), kInstances * kAddresses);
  EXPECT_EQ(replays_thanked.load(), 0);
  const auto counts =
      cluster.query(uri, "SELECT count(*), count(DISTINCT email_key), max(n) FROM "
                         "(SELECT email_key, count(*) OVER (PARTITION BY email_key) AS n "
                         "FROM signups) AS rows");
  ASSERT_EQ(counts.size(), 1u);
  EXPECT_EQ(counts[0], std::to_string(kAddresses) + "|" + std::to_string(kAddresses) + "|1");

  // Each instance writes its views as it stops.
  for (auto& server : servers) {
    server->process().Kill(SIGTERM);
    EXPECT_EQ(server->process().WaitExit(std::chrono::seconds(10)), 0);
  }
  brevolt::test::Child stats({brevolt::test::BuiltProgram("brevolt-signup-server"), "stats",
                              "--db", uri, "--days", "1", "--format", "csv"});
  std::vector<std::string> lines;
  while (auto line = stats.ReadLine(std::chrono::seconds(10))) {
    if (line->ends_with('\r')) line->pop_back();
    lines.push_back(*line);
  }
  ASSERT_EQ(lines.size(), 5u);
  // Every form was loaded once, each from one of the instances.
  const auto views = std::to_string(kInstances * kAddresses);
  const auto rows = std::to_string(kAddresses);
  EXPECT_EQ(lines[1], last_days(1)[0] + "," + views + "," + rows + "," + rows + ",0");
}

}  // namespace
}  // namespace brevolt::signup::test
