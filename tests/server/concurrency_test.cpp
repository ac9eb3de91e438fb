#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

constexpr int kThreads = 5;
constexpr int kPerThread = 10;

std::string address(int thread, int i) {
  return "user" + std::to_string(thread) + "-" + std::to_string(i) + "@example.com";
}

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Every thread signs up its own addresses, then repeats its neighbour's in
// capitals while the neighbour may still be writing them.
TEST(Concurrency, FiftySimultaneousSignUpsAreAllStoredOnce) {
  ServerSettings settings;
  settings.signups_per_window = 2 * kThreads * kPerThread;  // one client sends them all
  ServerUnderTest server(settings);
  std::atomic<int> thanked{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      auto client = server.client();
      const int neighbour = (t + 1) % kThreads;
      for (int i = 0; i < kPerThread; ++i) {
        for (const auto& email : {address(t, i), upper(address(neighbour, i))}) {
          const auto res =
              client.Post("/posttobrevolt2.asp", httplib::Params{{"name", "N"}, {"email", email}});
          if (res && res->status == 303 && res->get_header_value("Location") == "/thankyou.html") {
            ++thanked;
          }
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(thanked.load(), 2 * kThreads * kPerThread);
  const auto rows = ReadSignups(server.db_path());
  EXPECT_EQ(rows.size(), static_cast<std::size_t>(kThreads * kPerThread));
  std::set<std::string> unique;
  for (const auto& row : rows) unique.insert(upper(row.email));
  EXPECT_EQ(unique.size(), rows.size());
  EXPECT_TRUE(server.log_lines().empty());
}

}  // namespace
}  // namespace brevolt::signup::test
