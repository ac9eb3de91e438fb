#include "tests/harness/private_tree.h"

#include <stdlib.h>

#include <stdexcept>
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

}  // namespace

PrivateTree::PrivateTree() {
  std::string pattern = (std::filesystem::temp_directory_path() / "brevolt-browser-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  for (const Folder& folder : kFolders) {
    const auto path = root_ / folder.name;
    std::filesystem::create_directory(path);
    // The runtime folder must be private or GLib refuses it.
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    setenv(folder.variable, path.c_str(), 1);
  }
}

PrivateTree::~PrivateTree() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::set<std::filesystem::path> PrivateTree::Snapshot() const {
  std::set<std::filesystem::path> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
    paths.insert(entry.path());
  }
  return paths;
}

}  // namespace brevolt::test
