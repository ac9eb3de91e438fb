#include "server/system/log_sink.h"

#include <cstdio>
#include <string>

#include "server/constants.h"

namespace brevolt::signup {

namespace {

LogSink make_line_log(std::FILE* stream, std::string prefix) {
  return [stream, prefix = std::move(prefix)](std::string_view line) {
    std::string text = prefix + std::string(line) + "\n";
    // One fwrite per line: stdio locks the stream, so lines from different
    // worker threads never interleave.
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
  };
}

}  // namespace

LogSink make_stderr_log() {
  return make_line_log(stderr, std::string(kProgramName) + ": ");
}

LogSink make_stdout_log() {
  return make_line_log(stdout, "");
}

}  // namespace brevolt::signup
