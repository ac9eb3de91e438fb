#pragma once
// The reference sign-up server on the sign-up port, its access log read as
// it is written: each answered request is one stdout line, stamped with the
// time the driver read it.
#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/driver/settings.h"

namespace brevolt::bench {

class SignUpServer {
 public:
  // Returns once it listens; throws std::runtime_error if it does not.
  // `options` are the server's own beside --listen ("--db", PATH, ...).
  SignUpServer(const std::string& program, int port, const std::vector<std::string>& options);
  ~SignUpServer();
  SignUpServer(const SignUpServer&) = delete;
  SignUpServer& operator=(const SignUpServer&) = delete;

  // The time of the first log line read at or after `since` that starts
  // with `prefix` ("GET /posttobrevolt2.asp"), waiting until `deadline`.
  std::optional<Clock::time_point> WaitFor(const std::string& prefix, Clock::time_point since,
                                           Clock::time_point deadline);

 private:
  struct Line {
    Clock::time_point at;
    std::string text;
  };
  void Read(int fd);

  pid_t pid_ = -1;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Line> lines_;
  bool closed_ = false;
};

}  // namespace brevolt::bench
