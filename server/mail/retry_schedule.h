#pragma once
#include <chrono>
#include <optional>

namespace brevolt::signup {

// How long to wait before the next try of a mail that has failed `attempts`
// times (1 after the first failure) and was queued `age` ago; nothing once
// its link would have expired, when sending it is pointless.
std::optional<std::chrono::seconds> retry_delay(int attempts, std::chrono::seconds age);

}  // namespace brevolt::signup
