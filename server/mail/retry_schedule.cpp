#include "server/mail/retry_schedule.h"

#include <algorithm>

#include "server/constants.h"

namespace brevolt::signup {

std::optional<std::chrono::seconds> retry_delay(int attempts, std::chrono::seconds age) {
  if (age >= kConfirmationLifetime) return std::nullopt;
  const auto cap = age < kEagerRetryPeriod ? kRetryCapFirstHour : kRetryCapLater;
  // Doubling stops well before the shift could overflow.
  const int doublings = std::clamp(attempts - 1, 0, 16);
  return std::min<std::chrono::seconds>(kFirstRetryDelay * (1 << doublings), cap);
}

}  // namespace brevolt::signup
