#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/e2e/common/wine.h"

namespace {

// One Wine prefix for all the tests of this process: making one takes
// longer than most tests.
class WinePrefixEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (brevolt::test::WindowsBuildDir().empty()) return;
    prefix_ = std::make_unique<brevolt::test::WinePrefix>();
    ASSERT_TRUE(prefix_->ready()) << "could not make a Wine prefix";
  }
  void TearDown() override { prefix_.reset(); }

 private:
  std::unique_ptr<brevolt::test::WinePrefix> prefix_;
};

}  // namespace

int main(int argc, char** argv) {
  // Every test brings its own X server; the display this was started from
  // is never touched.
  unsetenv("DISPLAY");
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new WinePrefixEnvironment);
  return RUN_ALL_TESTS();
}
