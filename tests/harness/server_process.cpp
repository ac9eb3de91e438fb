#include "tests/harness/server_process.h"

#include <charconv>
#include <stdexcept>

#include "server/constants.h"

namespace brevolt::test {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr std::string_view kListening = "listening on http://127.0.0.1:";

}  // namespace

ServerProcess::ServerProcess(std::vector<std::string> args, std::vector<std::string> env,
                             ChildOptions options) {
  // Tests fill the form in faster than any person could.
  args.insert(args.begin(), {BuiltProgram("brevolt-signup-server"), "--listen", "127.0.0.1:0",
                             "--form-min-seconds", "0"});
  process_ = std::make_unique<Child>(std::move(args), std::move(env), std::move(options));
}

int ServerProcess::port() {
  if (port_ > 0) return port_;
  const auto line = process_->WaitForLine(std::string(kListening), kStartTimeout);
  if (!line) throw std::runtime_error("the sign-up server did not start");
  const auto* start = line->data() + kListening.size();
  const auto [end, error] = std::from_chars(start, line->data() + line->size(), port_);
  if (error != std::errc{} || port_ <= 0 || std::string_view(end) != signup::kFormPath) {
    throw std::runtime_error("unexpected listening line: " + *line);
  }
  return port_;
}

}  // namespace brevolt::test
