// A run of the program, online or offline, leaves its home, every XDG
// folder, its temporary folder and its working directory as empty as it
// found them, and no process of it creates or changes a file anywhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "tests/e2e/common/signup_page.h"
#include "tests/hardening/traced_run.h"

namespace brevolt::test::hardening {
namespace {

class WritesNothingTest : public TracedRunTest,
                          public ::testing::WithParamInterface<SessionBus> {};

// The trace must see what it is there to see, or finding nothing means nothing.
TEST(WriteTraceTest, SeesWritesOfEveryProcessAndOnlyThose) {
  ScratchDir scratch("brevolt-trace");
  const auto work = scratch.path() / "work";
  const auto allowed = scratch.path() / "allowed";
  std::filesystem::create_directories(work);
  std::filesystem::create_directories(allowed);
  WriteTrace trace(scratch.path() / "trace");
  auto argv = trace.Wrapper();
  for (const std::string& arg : std::vector<std::string>{"sh", "-c",
        "cat /etc/hostname >/dev/null; (mkdir made; echo x > made/file) ; echo y > " +
            allowed.string() + "/ok; true > /dev/null; sh -c 'mv made/file made/moved'"}) {
    argv.push_back(arg);
  }
  Child traced(argv, {}, ChildOptions{work.string(), {}});
  ASSERT_EQ(traced.WaitExit(kExitTimeout), 0);
  const auto writes = trace.Writes({allowed}, work);
  const auto seen = [&](const std::string& what) {
    return std::any_of(writes.begin(), writes.end(),
                       [&](const std::string& line) { return line.find(what) != std::string::npos; });
  };
  EXPECT_TRUE(seen("mkdir(\"made\"")) << ::testing::PrintToString(writes);
  EXPECT_TRUE(seen("\"made/file\", O_WRONLY|O_CREAT|O_TRUNC")) << ::testing::PrintToString(writes);
  EXPECT_TRUE(seen("rename")) << ::testing::PrintToString(writes);
  EXPECT_FALSE(seen("/etc/hostname"));
  EXPECT_FALSE(seen("/dev/null"));
  EXPECT_FALSE(seen(allowed.string()));
  EXPECT_GE(trace.TracedProcesses(), 3);
}

TEST_P(WritesNothingTest, OnlineSignUp) {
  SignUpServer server(scratch_.path());
  ASSERT_NO_FATAL_FAILURE(Start(GetParam()));
  ASSERT_TRUE(server.WaitForRequest("GET /posttobrevolt2.asp 200", kPageTimeout));
  ASSERT_NO_FATAL_FAILURE(Focus(window_));
  ASSERT_TRUE(WaitUntilReadyToType(*x_, window_, kPageTimeout))
      << "the sign-up page never showed its name field focused";
  TypeText("Ada Example");
  PressKey("Tab");
  TypeText("ada@example.org");
  PressKey("Return");
  ASSERT_TRUE(server.WaitForRequest("POST /posttobrevolt2.asp 303", kPageTimeout));
  ExpectEndedCleanly();
  EXPECT_TRUE(WaitUntil([&] { return x_->Viewable(host_->window()); }, kExitTimeout));
  EXPECT_EQ(server.Signups(), std::vector<std::string>{"Ada Example|ada@example.org"});
  // The web engine ran and was traced too: the program, a web and a network process.
  ExpectNothingWritten(3);
}

TEST_P(WritesNothingTest, OfflineFinish) {
  ASSERT_NO_FATAL_FAILURE(Start(GetParam()));
  ASSERT_NO_FATAL_FAILURE(Focus(window_));
  TypeText("Ada Example");
  PressKey("Tab");
  TypeText("ada@example.org");
  const auto client = x_->Geometry(window_);
  ASSERT_TRUE(client);
  ClickAt(client->x + kFinishX, client->y + kFinishY);
  ExpectEndedCleanly();
  EXPECT_FALSE(x_->Viewable(host_->window())) << "Finish does not give the product back";
  ExpectNothingWritten(1);
}

INSTANTIATE_TEST_SUITE_P(Session, WritesNothingTest,
                         ::testing::Values(SessionBus::kNone, SessionBus::kPrivate),
                         [](const auto& info) {
                           return info.param == SessionBus::kNone ? "NoBus" : "OwnBus";
                         });

}  // namespace
}  // namespace brevolt::test::hardening
