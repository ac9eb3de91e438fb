#pragma once
#include <functional>
#include <string_view>

namespace brevolt::signup {

// Receives one complete line of diagnostics, without its newline. May be
// called from several worker threads at once.
using LogSink = std::function<void(std::string_view line)>;

}  // namespace brevolt::signup

namespace brevolt::signup {

// Writes each line whole to stderr, prefixed with the program's name.
LogSink make_stderr_log();

}  // namespace brevolt::signup
