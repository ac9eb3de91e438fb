#pragma once
// The form of an e-mail address that two sign-ups share when they name the
// same mailbox in different letter cases. Only ASCII letters are folded:
// the rule must not depend on a database's collation or locale, and it is
// the one SQLite's lower() applies.
#include <string>
#include <string_view>

namespace brevolt::signup {

std::string email_key(std::string_view email);

}  // namespace brevolt::signup
