#pragma once
// A measured program, started with its launch time taken just before the
// fork, and a descriptor that becomes readable the moment it exits.
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "bench/driver/settings.h"

namespace brevolt::bench {

class Launched {
 public:
  // stdout and stderr go to `log_path` so that a failure can be explained.
  Launched(const std::string& program, const std::string& log_path);
  // Ends it and everything it started, and waits until they are all gone,
  // so that the next measurement has the machine to itself.
  ~Launched();
  Launched(const Launched&) = delete;
  Launched& operator=(const Launched&) = delete;

  pid_t pid() const { return pid_; }
  int exit_fd() const { return pidfd_; }
  Clock::time_point started() const { return started_; }

  // Waits for the exit; returns its time and reaps (status in `status`).
  std::optional<Clock::time_point> WaitExit(Clock::time_point deadline, int& status);
  bool Exited() const { return reaped_; }

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  Clock::time_point started_;
  bool reaped_ = false;
};

}  // namespace brevolt::bench
