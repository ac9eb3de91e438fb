#include "tests/e2e/common/wine.h"

#include <cstdlib>
#include <filesystem>

#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

namespace fs = std::filesystem;

constexpr auto kPrefixTimeout = std::chrono::seconds(120);
constexpr auto kEndTimeout = std::chrono::seconds(20);

}  // namespace

std::string WindowsBuildDir() { return BREVOLT_WINDOWS_BUILD_DIR; }

std::vector<std::string> WineCommand(const std::string& program) {
  return {"wine", (fs::path(WindowsBuildDir()) / program).string()};
}

BrevoltOptions WindowsBrevolt() {
  BrevoltOptions options;
  // Wine finds its server for the prefix under TMPDIR, which Brevolt points
  // at a private folder: every Windows program of a test must share one.
  options.wrapper = {"env", "TMPDIR=" + fs::temp_directory_path().string(), "wine"};
  options.program = (fs::path(WindowsBuildDir()) / "brevolt.exe").string();
  return options;
}

WinePrefix::WinePrefix() {
  std::string pattern = (fs::temp_directory_path() / "brevolt-wine.XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return;
  dir_ = pattern;
  path_ = dir_ + "/prefix";
  ::setenv("WINEPREFIX", path_.c_str(), 1);
  ::setenv("WINEDEBUG", "-all", 1);
  // No .NET engine prompt; the HTML engine stays registered for the browser.
  ::setenv("WINEDLLOVERRIDES", "mscoree=d", 1);
  // Made without a display: the prefix is the same, and no test's X server
  // is held by Wine's helpers afterwards.
  Child boot({"env", "-u", "DISPLAY", "wineboot", "-i"});
  ready_ = boot.WaitExit(kPrefixTimeout) == 0;
  EndWinePrograms();
}

WinePrefix::~WinePrefix() {
  EndWinePrograms();
  std::error_code ignored;
  if (!dir_.empty()) fs::remove_all(dir_, ignored);
}

void EndWinePrograms() {
  Child kill({"wineserver", "-k"});
  kill.WaitExit(kEndTimeout);
  Child wait({"wineserver", "-w"});
  wait.WaitExit(kEndTimeout);
}

}  // namespace brevolt::test
