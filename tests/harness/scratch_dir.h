#pragma once
// A fresh folder of a test's own, removed with everything in it when the
// object goes.
#include <filesystem>
#include <string>

namespace brevolt::test {

class ScratchDir {
 public:
  // Below the system's temporary folder, its name starting with `prefix`;
  // throws std::runtime_error when it cannot be made.
  explicit ScratchDir(const std::string& prefix = "brevolt-test");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A file's whole text; empty when it cannot be read.
std::string FileText(const std::filesystem::path& path);

}  // namespace brevolt::test
