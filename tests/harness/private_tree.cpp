#include "tests/harness/private_tree.h"

#include <stdlib.h>


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
