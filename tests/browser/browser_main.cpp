// One private X server, one private home and GTK for the whole test process,
// set up the way the program's own start-up does it.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "platform/gtk/process_settings.h"
#include "tests/browser/browser_environment.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

std::unique_ptr<PrivateTree> tree;

class BrowserEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    session_ = std::make_unique<XSession>();
    tree = std::make_unique<PrivateTree>();
    platform::ApplyProcessSettings();
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "GTK cannot open " << session_->display();
  }
  void TearDown() override {
    tree.reset();
    session_.reset();
  }

 private:
  std::unique_ptr<XSession> session_;
};

}  // namespace

PrivateTree& Tree() { return *tree; }

}  // namespace brevolt::test

int main(int argc, char** argv) {
  // A death test's child runs only the dying statement. It must not start an
  // X server of its own: that server would inherit the pipe the parent reads
  // until the child ends, and the parent would wait forever.
  const bool death_test_child =
      std::any_of(argv, argv + argc, [](const char* arg) {
        return std::string_view(arg).starts_with("--gtest_internal_run_death_test");
      });
  ::testing::InitGoogleTest(&argc, argv);
  // Death tests re-run this binary so that a changed environment reaches them.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (!death_test_child) {
    ::testing::AddGlobalTestEnvironment(new brevolt::test::BrowserEnvironment);
  }
  return RUN_ALL_TESTS();
}
