#pragma once
#include <functional>
#include <string_view>

namespace brevolt::signup {

// Receives one complete line of diagnostics, without its newline. May be
// called from several threads at once.
using LogSink = std::function<void(std::string_view line)>;

}  // namespace brevolt::signup

namespace brevolt::signup {

// Writes each line whole to stderr, prefixed with the program's name.
LogSink make_stderr_log();

// Writes each line whole to stdout and flushes it at once.
LogSink make_stdout_log();

}  // namespace brevolt::signup
