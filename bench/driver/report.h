#pragma once
// Medians of the measured rounds, the table, the targets and the summary.
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "bench/driver/measure.h"
#include "bench/driver/server_load.h"

namespace brevolt::bench {

// The subjects, in the order the table lists them.
enum class Subject {
  kOfflineProgram,
  kOfflineFloor,
  kOnlineProgram,
  kOnlineFloor,
  kNoAnswerProgram,
  kCompletionProgram,
  kWindowsProgram,
  kWindowsFloor,
  kWindowsProbingFloor,
};

using Samples = std::map<Subject, std::vector<Sample>>;

// One line for one run, to stderr, so a reader can see the spread.
void PrintSample(Subject subject, const Sample& sample);

// Prints the table and the targets to stdout and returns how many targets
// were missed. Either part may be absent: no samples, or no server figures.
int Report(const Samples& samples, std::chrono::milliseconds probe_timeout,
           const ServerFigures* server);

}  // namespace brevolt::bench
