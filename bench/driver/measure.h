#pragma once
// One start of one program, and what was seen of it.
#include <optional>
#include <string>

#include "bench/driver/access_log.h"
#include "bench/driver/map_watch.h"
#include "bench/driver/marker_site.h"
#include "bench/driver/process_tree.h"

namespace brevolt::bench {

struct Sample {
  double map_ms = 0;                  // exec to the top-level window mapped
  double map_cpu_ms = 0;              // CPU time of the program's tree when it was mapped
  int width = 0, height = 0;          // of that window
  std::optional<double> page_ms;      // exec to the sign-up page's request answered
  TreeMemory memory;                  // the program and all it started, after settling
  std::optional<double> exit_ms;      // marker page requested to the program's exit
  int exit_status = -1;
};

class Measurer {
 public:
  Measurer(MapWatch& watch, std::string log_dir) : watch_(watch), log_dir_(std::move(log_dir)) {}

  // Window mapped, then memory after a fixed settle. Used for the offline
  // face and for a sign-up server that never answers.
  Sample Offline(const std::string& program, const std::string& name);
  // Window mapped and page requested, then memory a fixed settle after the
  // page's request was answered.
  Sample Online(const std::string& program, const std::string& name, SignUpServer& server);
  // The page moves on to the thank-you page by itself; the program must end.
  Sample Completion(const std::string& program, const std::string& name, MarkerSite& site);

 private:
  MapWatch& watch_;
  std::string log_dir_;
};

}  // namespace brevolt::bench
