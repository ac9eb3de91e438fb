#include "server/log_sink.h"

#include <cstdio>
#include <string>

#include "server/constants.h"

namespace brevolt::signup {

LogSink make_stderr_log() {
  return [](std::string_view line) {
    std::string text = std::string(kProgramName) + ": " + std::string(line) + "\n";
    // One fwrite per line: stdio locks the stream, so lines from different
    // worker threads never interleave.
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
  };
}

}  // namespace brevolt::signup
