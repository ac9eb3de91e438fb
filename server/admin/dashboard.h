#pragma once
// The maker's dashboard: one page drawn here, readable without script or
// any other resource, in light and dark, zoomed and on a phone.
#include <string>
#include <vector>

#include "server/store/daily_counts.h"

namespace brevolt::signup {

struct DashboardData {
  std::vector<DayCounts> days;  // oldest first, one per day, zeros included
  OutboxSummary outbox;
};

std::string render_dashboard(const DashboardData& data);

}  // namespace brevolt::signup
