#pragma once
// Running the Windows programs of the mingw build under Wine, from the
// Linux tests: one Wine prefix for the whole test process.
#include <string>
#include <vector>

#include "tests/e2e/common/journey.h"

namespace brevolt::test {

// Where the Windows build put its programs; empty when this build was
// configured without one (BREVOLT_WINDOWS_BUILD_DIR).
std::string WindowsBuildDir();

// Skips the calling test, saying why, when there is no Windows build.
#define SKIP_WITHOUT_WINDOWS_BUILD()                                                   \
  if (::brevolt::test::WindowsBuildDir().empty())                                      \
  GTEST_SKIP() << "no Windows build: configure with -DBREVOLT_WINDOWS_BUILD_DIR=<the " \
                  "mingw build folder> to run the Windows program's tests under Wine"

// The command line that runs one of its programs under Wine.
std::vector<std::string> WineCommand(const std::string& program);

// How Brevolt starts brevolt.exe of that build under Wine.
BrevoltOptions WindowsBrevolt();

// A fresh Wine prefix in a temporary folder, set in this process's
// environment so that every child started afterwards runs in it; removed
// with everything in it when the object goes. Creating one takes 10 to 20 s,
// so a test process makes one for all its tests.
class WinePrefix {
 public:
  WinePrefix();
  ~WinePrefix();
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  bool ready() const { return ready_; }
  const std::string& path() const { return path_; }

 private:
  std::string dir_;
  std::string path_;
  bool ready_ = false;
};

// Ends every Windows process of this process's prefix (Wine's own helpers
// too, which hold the X server a test is about to stop) and waits for them.
void EndWinePrograms();

}  // namespace brevolt::test
