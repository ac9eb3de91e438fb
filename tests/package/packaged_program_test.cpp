// The packaged program runs from wherever its package was unpacked: both
// faces show, and the online one loads the web module from the package's
// own private folder, not from the build tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/e2e/common/journey.h"
#include "tests/harness/mapped_libraries.h"
#include "tests/harness/page_server.h"
#include "tests/harness/x_query.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kModuleName = "libbrevolt-webview.so";
constexpr auto kPageTimeout = std::chrono::seconds(30);

class PackagedProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* root = std::getenv("BREVOLT_PACKAGE_ROOT");
    if (root == nullptr || *root == '\0') GTEST_SKIP() << "BREVOLT_PACKAGE_ROOT is not set";
    root_ = fs::canonical(root);
    ASSERT_TRUE(fs::exists(root_ / "usr/bin/brevolt")) << root_ << " holds no usr/bin/brevolt";
    scratch_ = std::make_unique<ScratchDir>("brevolt-package");
    session_ = std::make_unique<XSession>();
    x_ = std::make_unique<XQuery>(session_->display());
  }

  void TearDown() override {
    program_.reset();  // while its X server still runs
    pages_.reset();
    x_.reset();
    session_.reset();
    scratch_.reset();
  }

  Brevolt& Start() {
    BrevoltOptions options;
    options.program = (root_ / "usr/bin/brevolt").string();
    program_ = std::make_unique<Brevolt>(scratch_->path(), std::move(options));
    return *program_;
  }

  fs::path root_;
  std::unique_ptr<ScratchDir> scratch_;
  std::unique_ptr<XSession> session_;
  std::unique_ptr<XQuery> x_;
  std::unique_ptr<PageServer> pages_;
  std::unique_ptr<Brevolt> program_;
};

TEST_F(PackagedProgram, OfflineShowsItsWindowWithoutTheWebModule) {
  Brevolt& program = Start();
  ASSERT_NE(program.WaitForWindow(*x_), 0u) << "the unpacked program showed no window";
  EXPECT_TRUE(program.process().Running());
  EXPECT_EQ(MappedFrom(program.pid(), kModuleName), std::nullopt);
}

TEST_F(PackagedProgram, OnlineLoadsThePageThroughTheModuleInItsPackage) {
  pages_ = std::make_unique<PageServer>(SignUpPort());
  pages_->AddPage("/posttobrevolt2.asp",
                  "<!DOCTYPE html><title>Sign up</title><p>Join our mailing list</p>");
  Brevolt& program = Start();
  ASSERT_NE(program.WaitForWindow(*x_), 0u) << "the unpacked program showed no window";
  EXPECT_TRUE(WaitUntil([&] { return pages_->Saw("/posttobrevolt2.asp"); }, kPageTimeout))
      << "the sign-up page was never requested";
  const std::string module = MappedFrom(program.pid(), kModuleName).value_or("");
  EXPECT_TRUE(module.starts_with(root_.string() + "/usr/lib/")) << "module mapped from '" << module
                                                                 << "'";
}

}  // namespace
}  // namespace brevolt::test
