#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tests/e2e/common/wine.h"

namespace {

// ctest reports a run that ends with this status as skipped, not passed
// (SKIP_RETURN_CODE in CMakeLists.txt).
constexpr int kSkippedStatus = 77;
// Set by whoever made the Windows build for this run (scripts/test): a
// journey skipped then is a journey that did not run, so it fails.
constexpr const char* kRequireVariable = "BREVOLT_REQUIRE_WINDOWS_JOURNEYS";

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

bool JourneysRequired() {
  const char* value = std::getenv(kRequireVariable);
  return value != nullptr && *value != '\0';
}

}  // namespace

int main(int argc, char** argv) {
  // Every test brings its own X server; the display this was started from
  // is never touched.
  unsetenv("DISPLAY");
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new WinePrefixEnvironment);
  const int status = RUN_ALL_TESTS();
  const int skipped = ::testing::UnitTest::GetInstance()->skipped_test_count();
  if (status != 0 || skipped == 0) return status;
  if (JourneysRequired()) {
    std::fprintf(stderr, "%d Windows journeys were skipped although %s is set\n", skipped,
                 kRequireVariable);
    return EXIT_FAILURE;
  }
  return kSkippedStatus;
}
