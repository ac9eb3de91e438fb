#pragma once
// Every figure the benchmark waits for, repeats or compares against.
#include <chrono>

namespace brevolt::bench {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Measured rounds (each subject once per round, interleaved) and unmeasured
// ones first, which fill the page cache and font caches for everyone alike.
inline constexpr int kDefaultRounds = 7;
inline constexpr int kMinimumRounds = 5;
inline constexpr int kWarmUpRounds = 1;
// The Windows pair alone (--windows-only): its start-up varies more.
inline constexpr int kWindowsRounds = 10;

// The same pause for the program and its floor before memory is read: after
// the window is mapped (offline), after the page's request was answered
// (online), so that drawing and the page's layout have happened.
inline constexpr auto kOfflineSettle = 500ms;
inline constexpr auto kOnlineSettle = 1500ms;

// Bounds on waiting; reaching one means the figure could not be measured.
inline constexpr auto kMapTimeout = 20s;
inline constexpr auto kPageTimeout = 20s;
inline constexpr auto kExitTimeout = 15s;
inline constexpr auto kServerStartTimeout = 10s;
inline constexpr auto kStopGrace = 3s;
inline constexpr auto kTreeGoneTimeout = 5s;

// Targets.
inline constexpr double kMaxMapRatio = 1.15;
inline constexpr double kMaxPageRatio = 1.15;
inline constexpr double kMaxExtraMemoryMb = 12.0;
inline constexpr int kOfflineProcesses = 1;
inline constexpr auto kMaxCompletion = 300ms;
inline constexpr auto kProbeBoundMargin = 500ms;

// The sign-up server under slow clients: this many trickle a request's
// head, one byte every gap, from addresses of 127.0.0.0/8 with no more
// each than the server lets one address hold, and stop by themselves
// before the server's own request deadline would cut them. Meanwhile
// honest visitors sign up one after another, each on a fresh connection.
inline constexpr int kTricklers = 1000;
inline constexpr int kTricklersPerAddress = 25;
inline constexpr auto kTrickleGap = 2s;
inline constexpr auto kTrickleSettle = 1s;
inline constexpr auto kTrickleFor = 8s;
inline constexpr int kHonestSignUps = 50;
inline constexpr auto kHonestTimeout = 5s;
inline constexpr double kMaxHonestMedianMs = 50.0;

// Sign-ups a second through the server from this many clients at once,
// against a bare insert loop with the same pragmas in the same directory;
// the two alternate, run after run.
inline constexpr int kThroughputClients = 32;
inline constexpr int kThroughputSignUps = 2000;
inline constexpr int kThroughputRuns = 5;
inline constexpr double kMinThroughputRatio = 0.8;

// The driver, its X server and every subject run at this nice value unless
// told not to: the machine is shared, and the figures compare our programs
// with each other, not with whoever else is compiling.
inline constexpr int kBenchNice = -10;

// The private X server's screen.
inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 1024;

}  // namespace brevolt::bench
