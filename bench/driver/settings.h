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

// The driver, its X server and every subject run at this nice value unless
// told not to: the machine is shared, and the figures compare our programs
// with each other, not with whoever else is compiling.
inline constexpr int kBenchNice = -10;

// The private X server's screen.
inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 1024;

}  // namespace brevolt::bench
