#pragma once
// brevolt-signup-server as shipped, started with the given options on a
// loopback port of its own choosing.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/harness/x_session.h"

namespace brevolt::test {

class ServerProcess {
 public:
  // `args` are the server's options; "--listen 127.0.0.1:0" and
  // "--form-min-seconds 0" come first.
  // The process is killed when the thread that starts it ends.
  explicit ServerProcess(std::vector<std::string> args, std::vector<std::string> env = {},
                         ChildOptions options = {});
  // Waits for the server to say it listens, the first time; throws
  // std::runtime_error unless it does within a while.
  int port();
  Child& process() { return *process_; }

 private:
  std::unique_ptr<Child> process_;
  int port_ = 0;
};

}  // namespace brevolt::test
