#include <thread>

#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(5);

}  // namespace

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::string BuiltProgram(const std::string& name) { return std::string(BREVOLT_BUILD_DIR) + "/" + name; }

}  // namespace brevolt::test
