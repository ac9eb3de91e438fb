#pragma once
// The maker's duties towards the people on the list, as subcommands of the
// server's executable: the list handed out whole, one person erased.
#include <ostream>

#include "server/options.h"

namespace brevolt::signup {

// Each returns the process's exit status; `out` gets the result, `err`
// one line when something fails.
int run_export(const Options& options, std::ostream& out, std::ostream& err);
int run_erase(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace brevolt::signup
