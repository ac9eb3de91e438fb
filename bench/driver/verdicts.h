#pragma once
// Targets met or missed: one line each as they are judged, and one summary.
#include <string>

namespace brevolt::bench {

class Verdicts {
 public:
  void Add(const std::string& name, bool pass, const std::string& shown,
           const std::string& in_summary);
  int missed() const { return missed_; }
  void PrintSummary() const;

 private:
  int missed_ = 0;
  int total_ = 0;
  std::string summary_;
};

}  // namespace brevolt::bench
