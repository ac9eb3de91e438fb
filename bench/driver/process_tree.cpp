#include "bench/driver/process_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>

namespace brevolt::bench {
namespace {

constexpr double kKbPerMb = 1024.0;

// The parent id from /proc/PID/stat; the command name may hold spaces and
// parentheses, so the fields are counted from the last ')'.
bool ReadStat(pid_t pid, char& state, pid_t& parent) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto close = stat.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream fields(stat.substr(close + 1));
  long ppid = 0;
  if (!(fields >> state >> ppid)) return false;
  parent = static_cast<pid_t>(ppid);
  return true;
}

std::multimap<pid_t, pid_t> ChildrenByParent() {
  std::multimap<pid_t, pid_t> children;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::atol(name.c_str()));
    char state = 0;
    pid_t parent = 0;
    if (ReadStat(pid, state, parent)) children.emplace(parent, pid);
  }
  return children;
}

}  // namespace

bool Running(pid_t pid) {
  char state = 0;
  pid_t parent = 0;
  return ReadStat(pid, state, parent) && state != 'Z' && state != 'X';
}

std::vector<pid_t> ProcessTree(pid_t root) {
  const auto children = ChildrenByParent();
  std::vector<pid_t> tree{root};
  for (size_t i = 0; i < tree.size(); ++i) {
    const auto [first, last] = children.equal_range(tree[i]);
    for (auto it = first; it != last; ++it) tree.push_back(it->second);
  }
  return tree;
}

double CpuMsOf(const std::vector<pid_t>& processes) {
  constexpr double kNsPerMs = 1e6;
  double total_ns = 0;
  for (const pid_t pid : processes) {
    std::error_code ignored;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, ignored)) {
      std::ifstream in(task.path() / "schedstat");
      double run_ns = 0;
      if (in >> run_ns) total_ns += run_ns;
    }
  }
  return total_ns / kNsPerMs;
}

TreeMemory MemoryOf(const std::vector<pid_t>& processes) {
  TreeMemory total;
  for (const pid_t pid : processes) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    if (!in) continue;
    std::map<std::string, long> kb;
    std::string key;
    long value = 0;
    std::string unit;
    while (in >> key) {
      if (key.back() == ':' && in >> value >> unit) {
        kb[key] = value;
      } else {
        in.clear();
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
      }
    }
    if (!kb.count("Pss:") || !kb.count("Rss:")) continue;
    const auto mb = [&kb](const char* field) { return static_cast<double>(kb[field]) / kKbPerMb; };
    total.pss_mb += mb("Pss:");
    total.pss_anon_mb += mb("Pss_Anon:");
    total.pss_file_mb += mb("Pss_File:");
    total.pss_shmem_mb += mb("Pss_Shmem:");
    total.rss_mb += mb("Rss:");
    total.uss_mb += mb("Private_Clean:") + mb("Private_Dirty:");
    ++total.processes;
  }
  return total;
}

}  // namespace brevolt::bench
