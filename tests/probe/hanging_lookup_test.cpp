// A name server that never answers must not hold the probe past its bound.
// The test re-runs this binary in a private mount namespace whose
// /etc/resolv.conf names a silent loopback server, so the system resolver
// really waits for an answer that never comes.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "platform/gio/probe.h"
#include "tests/probe/loopback.h"
#include "tests/probe/timing.h"

namespace brevolt::platform {
namespace {

using namespace probe_test;

constexpr const char* kInnerVariable = "BREVOLT_PROBE_SILENT_DNS";
constexpr const char* kInnerTest = "HangingNameServer.ProbeInside";
constexpr const char* kSilentServer = "127.83.41.7";
// Far longer than the probe's bound, so only cancellation can end the wait.
constexpr const char* kResolverOptions = "options timeout:2 attempts:1";
// Past the resolver's own give-up: the abandoned lookup thread has finished
// by then, and whatever it touches on finishing must still be sound.
constexpr milliseconds kOutliveTheResolver{3000};
constexpr const char* kUnresolvable = "http://signup.nonexistent.invalid/posttobrevolt2.asp";
constexpr milliseconds kChildLimit{kOutliveTheResolver + milliseconds(5000)};

struct GFreeDeleter {
  void operator()(gpointer p) const { g_free(p); }
};
struct StrvDeleter {
  void operator()(gchar** v) const { g_strfreev(v); }
};

TEST(HangingNameServer, ProbeInside) {
  if (std::getenv(kInnerVariable) == nullptr) GTEST_SKIP() << "run by LookupIsCancelledAtTheBound";
  BOOL result = 1;
  const auto took = Timed([&] { result = CheckConnection(kUnresolvable, kShortBound); });
  std::printf("probe result=%d took=%lld\n", result, static_cast<long long>(took.count()));
  std::fflush(stdout);

  std::this_thread::sleep_for(kOutliveTheResolver);
  LoopbackPort server;
  ASSERT_TRUE(server.valid() && server.Listen(8));
  EXPECT_NE(CheckConnection(server.Url().c_str(), kShortBound), 0);
}

TEST(HangingNameServer, LookupIsCancelledAtTheBound) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a mount namespace and port 53";
  std::unique_ptr<gchar, GFreeDeleter> unshare(g_find_program_in_path("unshare"));
  if (!unshare) GTEST_SKIP() << "unshare(1) not installed";
  SilentNameServer name_server(kSilentServer);
  if (!name_server.valid()) GTEST_SKIP() << "cannot bind " << kSilentServer << ":53";

  gchar* raw_path = nullptr;
  const int resolv_fd = g_file_open_tmp("probe-resolv-XXXXXX.conf", &raw_path, nullptr);
  ASSERT_GE(resolv_fd, 0);
  close(resolv_fd);
  std::unique_ptr<gchar, GFreeDeleter> resolv_path(raw_path);
  std::ofstream(resolv_path.get()) << "nameserver " << kSilentServer << "\n"
                                   << kResolverOptions << "\n";

  std::unique_ptr<gchar, GFreeDeleter> self(g_file_read_link("/proc/self/exe", nullptr));
  ASSERT_TRUE(self);
  const std::string filter = std::string("--gtest_filter=") + kInnerTest;
  const char* argv[] = {unshare.get(), "--mount", "--propagation", "private", "--",
                        "sh", "-c", "mount --bind \"$0\" /etc/resolv.conf && exec \"$1\" \"$2\"",
                        resolv_path.get(), self.get(), filter.c_str(), nullptr};
  std::unique_ptr<gchar*, StrvDeleter> env(g_environ_setenv(g_get_environ(), kInnerVariable, "1", TRUE));

  gchar* raw_out = nullptr;
  gint status = 0;
  GError* error = nullptr;
  const auto took = Timed([&] {
    g_spawn_sync(nullptr, const_cast<gchar**>(argv), env.get(), G_SPAWN_DEFAULT, nullptr, nullptr,
                 &raw_out, nullptr, &status, &error);
  });
  std::unique_ptr<gchar, GFreeDeleter> out(raw_out);
  unlink(resolv_path.get());
  ASSERT_EQ(error, nullptr) << error->message;
  ASSERT_TRUE(g_spawn_check_wait_status(status, nullptr)) << out.get();
  EXPECT_LT(took, kChildLimit);

  const char* report = out ? std::strstr(out.get(), "probe result=") : nullptr;
  int result = -1;
  long long took_ms = -1;
  ASSERT_TRUE(report && std::sscanf(report, "probe result=%d took=%lld", &result, &took_ms) == 2)
      << (out ? out.get() : "");
  EXPECT_EQ(result, 0);
  const milliseconds probe_took{took_ms};
  EXPECT_GE(probe_took, kShortBound - kEarliness) << "the lookup failed instead of hanging";
  EXPECT_LT(probe_took, kShortBound + kLateness);
  EXPECT_TRUE(name_server.ReceivedQuery()) << "the resolver never asked the silent server";
}

}  // namespace
}  // namespace brevolt::platform
