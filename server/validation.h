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

// An address holding a character that could add a header or a recipient to
// a mail (see kMailUnsafeChars). The form's checks let some of them pass, as
// real addresses may quote them; this list never mails such an address.
bool has_mail_unsafe_chars(std::string_view email);

// Empty when `email` is an address this list can mail, else why not.
std::string mail_address_problem(std::string_view email);

// Replaces bytes that are not UTF-8 so that text can be shown back on a page.
std::string to_displayable_utf8(std::string_view text);

}  // namespace brevolt::signup
