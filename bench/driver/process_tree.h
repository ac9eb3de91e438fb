#pragma once
// A process and everything it started, read from /proc.
#include <sys/types.h>

#include <vector>

namespace brevolt::bench {

// Whether it runs: neither gone nor a zombie waiting to be reaped.
bool Running(pid_t pid);

// `root` and every running process whose parent chain reaches it.
std::vector<pid_t> ProcessTree(pid_t root);

// CPU time the processes' threads have run so far, from schedstat (ns).
double CpuMsOf(const std::vector<pid_t>& processes);

struct TreeMemory {
  double pss_mb = 0;  // proportional set size: shared pages split among sharers
  double pss_anon_mb = 0, pss_file_mb = 0, pss_shmem_mb = 0;  // PSS by kind
  double rss_mb = 0;
  double uss_mb = 0;  // pages no other process maps: what ending the tree frees  // resident set size: shared pages counted in each process
  int processes = 0;  // those whose figures could be read
};

// Summed from /proc/PID/smaps_rollup; processes gone meanwhile are left out.
TreeMemory MemoryOf(const std::vector<pid_t>& processes);

}  // namespace brevolt::bench
