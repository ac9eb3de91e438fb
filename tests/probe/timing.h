#pragma once
#include <chrono>

namespace brevolt::probe_test {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The machine is shared and noisy: a bounded probe may overrun its bound by
// this much before the test calls it unbounded.
inline constexpr milliseconds kLateness{1500};
// A probe that needs no waiting (refused, malformed) answers well within this.
inline constexpr milliseconds kPrompt{1000};
// A short bound for the cases that must run into it.
inline constexpr milliseconds kShortBound{300};
// The GLib timer may round the bound down to the millisecond.
inline constexpr milliseconds kEarliness{5};

template <typename F>
milliseconds Timed(F&& f) {
  const auto start = Clock::now();
  f();
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

}  // namespace brevolt::probe_test
