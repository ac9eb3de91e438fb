#pragma once
// Checks of what a visitor typed into the sign-up form.
#include <string>
#include <string_view>

namespace brevolt::signup {

struct CheckedSignup {
  // Cleaned values: surrounding blanks removed. Meaningful only when ok().
  std::string name;
  std::string email;
  // One sentence for the visitor per field, empty when the field is fine.
  std::string name_error;
  std::string email_error;

  bool ok() const { return name_error.empty() && email_error.empty(); }
};

CheckedSignup check_signup(std::string_view raw_name, std::string_view raw_email);

// Replaces bytes that are not UTF-8 so that text can be shown back on a page.
std::string to_displayable_utf8(std::string_view text);

}  // namespace brevolt::signup
