#include "platform/gio/probe.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <string>

#include "build_config.h"
#include "tests/probe/loopback.h"
#include "tests/probe/timing.h"

namespace brevolt::platform {
namespace {

using namespace probe_test;

TEST(Probe, ListeningPortAnswers) {
  LoopbackPort server;
  ASSERT_TRUE(server.valid() && server.Listen(8));
  EXPECT_NE(CheckConnection(server.Url().c_str(), kProbeTimeout), 0);
  EXPECT_NE(InternetCheckConnectionA(server.Url().c_str(), FLAG_ICC_FORCE_CONNECTION, 0), 0);
}

TEST(Probe, Ipv6LiteralAnswers) {
  LoopbackPort server(Family::kIPv6);
  if (!server.valid()) GTEST_SKIP() << "no IPv6 loopback on this machine";
  ASSERT_TRUE(server.Listen(8));
  EXPECT_NE(CheckConnection(server.Url().c_str(), kProbeTimeout), 0);
}

TEST(Probe, OnlyTheForcedConnectionIsOffered) {
  LoopbackPort server;
  ASSERT_TRUE(server.valid() && server.Listen(8));
  EXPECT_EQ(InternetCheckConnectionA(server.Url().c_str(), 0, 0), 0);
  EXPECT_EQ(InternetCheckConnectionA(server.Url().c_str(), FLAG_ICC_FORCE_CONNECTION, 1), 0);
}

TEST(Probe, ClosedPortFailsPromptly) {
  LoopbackPort refusing;  // bound, never listening: the kernel answers with a reset
  ASSERT_TRUE(refusing.valid());
  BOOL result = 1;
  const auto took = Timed([&] { result = CheckConnection(refusing.Url().c_str(), kProbeTimeout); });
  EXPECT_EQ(result, 0);
  EXPECT_LT(took, kPrompt);
}

TEST(Probe, UnansweredConnectGivesUpAtTheBound) {
  BlackHole server;
  ASSERT_TRUE(server.valid()) << "could not fill the listen queue";
  BOOL result = 1;
  const auto took = Timed([&] { result = CheckConnection(server.Url().c_str(), kShortBound); });
  EXPECT_EQ(result, 0);
  EXPECT_GE(took, kShortBound - kEarliness);
  EXPECT_LT(took, kShortBound + kLateness);
}

TEST(Probe, UnresolvableNameFailsWithinTheBound) {
  BOOL result = 1;
  const auto took = Timed([&] {
    result = CheckConnection("http://nonexistent.invalid/posttobrevolt2.asp", kShortBound);
  });
  EXPECT_EQ(result, 0);
  EXPECT_LT(took, kShortBound + kLateness);
}

TEST(Probe, NoTimeLeftMeansNoAttempt) {
  LoopbackPort server;
  ASSERT_TRUE(server.valid() && server.Listen(8));
  EXPECT_EQ(CheckConnection(server.Url().c_str(), milliseconds(0)), 0);
  EXPECT_FALSE(AcceptWithin(server.fd(), milliseconds(50)).valid());
}

class MalformedAddress : public testing::TestWithParam<const char*> {};

TEST_P(MalformedAddress, FailsAtOnce) {
  BOOL result = 1;
  const auto took = Timed([&] {
    result = InternetCheckConnectionA(GetParam(), FLAG_ICC_FORCE_CONNECTION, 0);
  });
  EXPECT_EQ(result, 0);
  EXPECT_LT(took, kPrompt);
}

INSTANTIATE_TEST_SUITE_P(Probe, MalformedAddress,
                         testing::Values(nullptr, "", "not a url", "ftp://127.0.0.1/",
                                         "http:///nohost", "http://127.0.0.1:99999/",
                                         "http://127.0.0.1:0/", "http://exa mple.com/"));

TEST(Probe, ClosesTheConnectionItOpened) {
  LoopbackPort server;
  ASSERT_TRUE(server.valid() && server.Listen(8));
  ASSERT_NE(CheckConnection(server.Url().c_str(), kProbeTimeout), 0);
  const Fd accepted = AcceptWithin(server.fd(), kPrompt);
  ASSERT_TRUE(accepted.valid()) << "the probe's connection never reached the listener";
  EXPECT_TRUE(PeerClosedWithin(accepted.get(), kPrompt));
  EXPECT_FALSE(AcceptWithin(server.fd(), milliseconds(50)).valid()) << "more than one connection";
}

gboolean CountDispatch(gpointer count) {
  ++*static_cast<int*>(count);
  return G_SOURCE_REMOVE;
}

// The probe runs on the UI thread before the window exists; dispatching the
// caller's events from inside it would run UI handlers out of order.
TEST(Probe, LeavesTheCallersEventsAlone) {
  BlackHole server;
  ASSERT_TRUE(server.valid());
  int dispatched = 0;
  const guint idle = g_idle_add(&CountDispatch, &dispatched);
  EXPECT_EQ(CheckConnection(server.Url().c_str(), milliseconds(100)), 0);
  EXPECT_EQ(dispatched, 0);
  g_source_remove(idle);
}

TEST(Probe, RepeatedProbesDoNotInterfere) {
  LoopbackPort server;
  ASSERT_TRUE(server.valid() && server.Listen(16));
  LoopbackPort refusing;
  ASSERT_TRUE(refusing.valid());
  for (int i = 0; i < 5; ++i) {
    EXPECT_NE(CheckConnection(server.Url().c_str(), kProbeTimeout), 0) << "round " << i;
    EXPECT_EQ(CheckConnection(refusing.Url().c_str(), kProbeTimeout), 0) << "round " << i;
    EXPECT_EQ(CheckConnection("http://nonexistent.invalid/", kShortBound), 0) << "round " << i;
  }
}

}  // namespace
}  // namespace brevolt::platform
