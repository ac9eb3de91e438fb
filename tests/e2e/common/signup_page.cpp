#include "tests/e2e/common/signup_page.h"

#include <cstdlib>

namespace brevolt::test {
namespace {

// The outline colour the reference page gives its focused field.
const Rgb kFocusRing{0x8f, 0xb3, 0xe8};
constexpr int kRingSlack = 6;

}  // namespace

bool ShowsFocusedField(const Screenshot& shot) {
  return shot.Any(0, 0, shot.width() - 1, shot.height() - 1, [](Rgb c) {
    return std::abs(c.r - kFocusRing.r) <= kRingSlack &&
           std::abs(c.g - kFocusRing.g) <= kRingSlack && std::abs(c.b - kFocusRing.b) <= kRingSlack;
  });
}

bool WaitUntilReadyToType(XQuery& x, XWindow window, std::chrono::milliseconds timeout) {
  bool ready = false;
  WaitForPicture(x, window, ShowsFocusedField, timeout, &ready);
  return ready;
}

}  // namespace brevolt::test
