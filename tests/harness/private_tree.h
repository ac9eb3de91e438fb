#pragma once
// A fresh home, cache, config, data, runtime and temp folder for the whole
// test process, so a test can tell whether the browser wrote anything.
#include <filesystem>
#include <set>

namespace brevolt::test {

class PrivateTree {
 public:
  // Creates the folders and points HOME, XDG_* and TMPDIR at them.
  PrivateTree();
  ~PrivateTree();
  PrivateTree(const PrivateTree&) = delete;
  PrivateTree& operator=(const PrivateTree&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path config() const { return root_ / "config"; }
  std::filesystem::path data() const { return root_ / "data"; }
  // Every path below the root, folders included.
  std::set<std::filesystem::path> Snapshot() const;

 private:
  std::filesystem::path root_;
};

}  // namespace brevolt::test
