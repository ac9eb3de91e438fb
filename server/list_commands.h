#pragma once
// The maker's duties towards the people on the list, as subcommands of the
// server's executable: the list handed out whole, one person erased.
#include <memory>
#include <ostream>

#include "server/options.h"

namespace brevolt::signup {

class SignupStore;

// Opens the store a subcommand names, which must exist already: one given a
// mistyped path must say so, not create an empty list and report it.
// Throws StoreError.
std::unique_ptr<SignupStore> open_existing(const Options& options);

// Each returns the process's exit status; `out` gets the result, `err`
// one line when something fails.
int run_export(const Options& options, std::ostream& out, std::ostream& err);
int run_erase(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace brevolt::signup
