// The engine is loaded only when a view is asked for, and a missing or
// broken module ends the program with a message rather than limping on.
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/webkit/web_view.h"
#include "tests/browser/browser_host.h"
#include "tests/harness/mapped_libraries.h"

namespace brevolt::test {
namespace {

TEST(LoaderTest, EngineIsMappedOnlyOnceAViewIsCreated) {
  const pid_t self = getpid();
  if (MappedFrom(self, platform::kWebViewModuleName)) {
    GTEST_SKIP() << "an earlier test in this process loaded the module; run this test alone";
  }
  EXPECT_FALSE(WebEngineLoaded(self));
  BrowserHost host;
  EXPECT_TRUE(MappedFrom(self, platform::kWebViewModuleName));
  EXPECT_TRUE(WebEngineLoaded(self));
}

// Death tests re-run this binary, and the dynamic loader reads the library
// path only when a process starts: it is set before the child is made.
class LoaderDeathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* path = getenv("LD_LIBRARY_PATH")) saved_ = path;
  }
  void TearDown() override { setenv("LD_LIBRARY_PATH", saved_.c_str(), 1); }
  static void Create() { platform::CreateWebView([](auto, const std::string&) {}); }

 private:
  std::string saved_;
};

TEST_F(LoaderDeathTest, MissingModuleIsFatal) {
  setenv("LD_LIBRARY_PATH", BREVOLT_DIR_WITHOUT_MODULE, 1);
  EXPECT_DEATH(Create(), "cannot load the web browser module libbrevolt-webview.so: .*No such file");
}

TEST_F(LoaderDeathTest, ModuleWithoutEntryPointIsFatal) {
  setenv("LD_LIBRARY_PATH", BREVOLT_MODULE_WITHOUT_ENTRY_DIR, 1);
  EXPECT_DEATH(Create(),
               "cannot find the entry point in the web browser module .*brevolt_create_web_view");
}

}  // namespace
}  // namespace brevolt::test
