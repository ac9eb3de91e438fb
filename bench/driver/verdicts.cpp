#include "bench/driver/verdicts.h"

#include <cstdio>

namespace brevolt::bench {

void Verdicts::Add(const std::string& name, bool pass, const std::string& shown,
                   const std::string& in_summary) {
  ++total_;
  if (!pass) ++missed_;
  std::printf("%-47s %-50s %s\n", name.c_str(), shown.c_str(), pass ? "PASS" : "MISS");
  if (!summary_.empty()) summary_ += ", ";
  summary_ += in_summary + (pass ? "" : " MISS");
}

void Verdicts::PrintSummary() const {
  std::printf("\nsummary: %s; %d/%d targets met\n", summary_.c_str(), total_ - missed_, total_);
}

}  // namespace brevolt::bench
