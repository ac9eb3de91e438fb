#pragma once
// How many sign-ups each client may record in a sliding window. Used on
// the event thread only.
#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>

namespace brevolt::signup {

class SignupRateLimit {
 public:
  using Clock = std::chrono::steady_clock;

  SignupRateLimit(std::size_t most, Clock::duration window);

  // Counts a sign-up for `client` at `now`, unless it already has `most`
  // within the window, in which case nothing is counted.
  bool allow(const std::string& client, Clock::time_point now);

 private:
  void forget_before(Clock::time_point start);

  std::size_t most_;
  Clock::duration window_;
  Clock::time_point last_sweep_{};
  std::unordered_map<std::string, std::deque<Clock::time_point>> recent_;
};

}  // namespace brevolt::signup
