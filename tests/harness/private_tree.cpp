#include "tests/harness/private_tree.h"

#include <stdlib.h>

#include <fstream>
#include <string>

namespace brevolt::test {
namespace {

struct Folder {
  const char* variable;
  const char* name;
};
constexpr Folder kFolders[] = {
    {"HOME", "home"},           {"XDG_CACHE_HOME", "cache"}, {"XDG_CONFIG_HOME", "config"},
    {"XDG_DATA_HOME", "data"},  {"XDG_STATE_HOME", "state"}, {"XDG_RUNTIME_DIR", "runtime"},
    {"TMPDIR", "tmp"},
};

// The desktop entries of the machine's own browsers, hidden from the tests'
// desktop at the level of the system's configuration: a link handed to the
// default browser then reaches a test's stand-in (made the user's default)
// or nothing, never a real browser, which would write its profile into the
// private folders.
void HideMachineBrowsers(const std::filesystem::path& config_dir) {
  std::string ids;
  for (const char* dir : {"/usr/local/share/applications", "/usr/share/applications"}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
      std::ifstream desktop(entry.path());
      std::string line;
      while (std::getline(desktop, line)) {
        if (line.starts_with("MimeType=") && line.find("x-scheme-handler/http") != line.npos) {
          ids += entry.path().filename().string() + ";";
          break;
        }
      }
    }
  }
  std::filesystem::create_directory(config_dir);
  std::ofstream(config_dir / "mimeapps.list") << "[Removed Associations]\n"
                                              << "x-scheme-handler/http=" << ids << "\n"
                                              << "x-scheme-handler/https=" << ids << "\n";
  setenv("XDG_CONFIG_DIRS", (config_dir.string() + ":/etc/xdg").c_str(), 1);
}

}  // namespace

PrivateTree::PrivateTree() {
  HideMachineBrowsers(root() / "system-config");
  for (const Folder& folder : kFolders) {
    const auto path = root() / folder.name;
    std::filesystem::create_directory(path);
    // The runtime folder must be private or GLib refuses it.
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    setenv(folder.variable, path.c_str(), 1);
  }
}

std::set<std::filesystem::path> PrivateTree::Snapshot() const {
  std::set<std::filesystem::path> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root())) {
    paths.insert(entry.path());
  }
  return paths;
}

}  // namespace brevolt::test
