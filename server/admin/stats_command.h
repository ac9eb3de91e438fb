#pragma once
// stats: the daily counts as the maker reads them, per day and in total,
// with the funnel's conversion, as a table, CSV or JSON.
#include <ostream>

#include "server/options.h"

namespace brevolt::signup {

// The process's exit status; `out` gets the figures, `err` one line when
// something fails.
int run_stats(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace brevolt::signup
