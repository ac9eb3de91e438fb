// A user signs up through the reference sign-up server's page inside the
// program: the subscriber is stored once, the program ends by itself and the
// product window is back as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/common/signup_page.h"
#include "tests/e2e/online/online_fixture.h"

namespace brevolt::test {
namespace {

constexpr const char* kName = "Ada Example";
constexpr const char* kEmail = "ada@example.org";

using OnlineJourney = OnlineTest;

TEST_P(OnlineJourney, SignUpIsStoredOnceAndTheProductWindowComesBack) {
  SignUpServer server(scratch());
  StartHost();
  Brevolt& program = StartProgram();
  ASSERT_NE(own_window(), 0u) << "the program's window never showed";
  ASSERT_TRUE(server.WaitForRequest("GET /posttobrevolt2.asp", kPageTimeout));

  ASSERT_TRUE(WaitUntilReadyToType(x(), own_window(), kPageTimeout))
      << "the sign-up page never showed its name field focused";
  const std::vector<pid_t> engine = program.Descendants();
  EXPECT_FALSE(engine.empty()) << "no web engine process runs";

  TypeText(kName);
  PressKey("Tab");
  TypeText(kEmail);
  PressKey("Return");

  ASSERT_TRUE(server.WaitForRequest("POST /posttobrevolt2.asp", kPageTimeout))
      << "the form was not submitted";
  ExpectEndedWithHostBack();
  ExpectAllGone(engine);

  server.Drain();
  EXPECT_EQ(server.Signups(), std::vector<std::string>{std::string(kName) + "|" + kEmail});
  const auto& requests = server.Requests();
  EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                          [](const std::string& r) { return r.starts_with("GET /posttobrevolt2.asp"); }),
            1)
      << "the sign-up page was loaded more than once";
  EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                          [](const std::string& r) { return r.starts_with("POST "); }),
            1)
      << "the form was sent more than once";
}

BREVOLT_INSTANTIATE_WM_TESTS(OnlineJourney);

}  // namespace
}  // namespace brevolt::test
