#include "server/http/signup_rate_limit.h"

namespace brevolt::signup {

SignupRateLimit::SignupRateLimit(std::size_t most, Clock::duration window)
    : most_(most), window_(window) {}

bool SignupRateLimit::allow(const std::string& client, Clock::time_point now) {
  const auto start = now - window_;
  // Clients that went quiet are forgotten once per window, so that the
  // table holds only the last window's clients.
  if (now - last_sweep_ >= window_) forget_before(start);
  auto& times = recent_[client];
  while (!times.empty() && times.front() <= start) times.pop_front();
  if (times.size() >= most_) return false;
  times.push_back(now);
  return true;
}

void SignupRateLimit::forget_before(Clock::time_point start) {
  std::erase_if(recent_, [&](const auto& entry) {
    return entry.second.empty() || entry.second.back() <= start;
  });
  last_sweep_ = start + window_;
}

}  // namespace brevolt::signup
