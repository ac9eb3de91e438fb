#pragma once
// The sign-up server's table as an operator would read it: over a read-only
// connection of the test's own, never the server's.
#include <filesystem>
#include <string>
#include <vector>

namespace brevolt::test {

struct SignupRow {
  std::string name;
  std::string email;
  std::string signed_up_at;
  bool operator==(const SignupRow&) const = default;
};

// Every row in the order stored; throws std::runtime_error when the file
// cannot be opened or holds no sign-up table.
std::vector<SignupRow> ReadSignups(const std::filesystem::path& db);

}  // namespace brevolt::test
