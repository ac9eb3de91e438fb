#pragma once
// A fresh home, cache, config, data, runtime and temp folder for the whole
// test process, so a test can tell whether the browser wrote anything.
#include <filesystem>
#include <set>

#include "tests/harness/scratch_dir.h"

namespace brevolt::test {

class PrivateTree {
 public:
  // Creates the folders and points HOME, XDG_* and TMPDIR at them.
  PrivateTree();
  PrivateTree(const PrivateTree&) = delete;
  PrivateTree& operator=(const PrivateTree&) = delete;

  const std::filesystem::path& root() const { return root_.path(); }
  std::filesystem::path config() const { return root() / "config"; }
  std::filesystem::path data() const { return root() / "data"; }
  // Every path below the root, folders included.
  std::set<std::filesystem::path> Snapshot() const;

 private:
  ScratchDir root_{"brevolt-browser"};
};

}  // namespace brevolt::test
