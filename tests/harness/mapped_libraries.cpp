#include "tests/harness/mapped_libraries.h"

#include <fstream>

namespace brevolt::test {
namespace {

constexpr std::string_view kWebEngineFiles[] = {
    "libwebkit2gtk", "libjavascriptcoregtk",            // Linux
    "mshtml.dll",    "ieframe.dll",          "shdocvw.dll",  // Wine
};

}  // namespace

std::optional<std::string> MappedFrom(pid_t pid, std::string_view name) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::string line;
  while (std::getline(maps, line)) {
    // The mapped file's path is the last field, the only one with a slash.
    const auto slash = line.find('/');
    if (slash != std::string::npos && line.find(name, slash) != std::string::npos) {
      return line.substr(slash);
    }
  }
  return std::nullopt;
}

bool WebEngineLoaded(pid_t pid) {
  for (std::string_view file : kWebEngineFiles) {
    if (MappedFrom(pid, file)) return true;
  }
  return false;
}

}  // namespace brevolt::test
