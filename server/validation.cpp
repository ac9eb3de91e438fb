#include "server/validation.h"

#include <glib.h>

#include <memory>

#include "server/constants.h"

namespace brevolt::signup {
namespace {

constexpr std::string_view kBlanks = " \t\r\n\f\v";

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool is_utf8(std::string_view text) {
  // Also refuses NUL bytes, which have no business in a name or an address.
  return g_utf8_validate_len(text.data(), text.size(), nullptr);
}

std::size_t char_count(std::string_view utf8) {
  return static_cast<std::size_t>(g_utf8_strlen(utf8.data(), static_cast<gssize>(utf8.size())));
}

template <typename Predicate>
bool any_char(std::string_view utf8, Predicate predicate) {
  const char* end = utf8.data() + utf8.size();
  for (const char* p = utf8.data(); p < end; p = g_utf8_next_char(p)) {
    if (predicate(g_utf8_get_char(p))) return true;
  }
  return false;
}

std::string name_problem(std::string_view name) {
  if (name.empty()) return "Please enter your name.";
  if (!is_utf8(name)) return "Your name contains characters that cannot be read.";
  if (char_count(name) > kMaxNameChars) {
    return "Please keep your name to " + std::to_string(kMaxNameChars) + " characters or fewer.";
  }
  if (any_char(name, [](gunichar c) { return g_unichar_iscntrl(c); })) {
    return "Your name cannot contain control characters.";
  }
  return {};
}

bool is_plausible_domain(std::string_view domain) {
  // At least two non-empty labels: no dot first, last or doubled.
  if (domain.find('.') == std::string_view::npos) return false;
  if (domain.front() == '.' || domain.back() == '.') return false;
  return domain.find("..") == std::string_view::npos;
}

std::string email_problem(std::string_view email) {
  if (email.empty()) return "Please enter your e-mail address.";
  if (!is_utf8(email)) return "Your e-mail address contains characters that cannot be read.";
  if (char_count(email) > kMaxEmailChars) {
    return "An e-mail address has at most " + std::to_string(kMaxEmailChars) + " characters.";
  }
  if (any_char(email, [](gunichar c) { return g_unichar_isspace(c) || g_unichar_iscntrl(c); })) {
    return "An e-mail address cannot contain spaces.";
  }
  const auto at = email.find('@');
  if (at == std::string_view::npos || email.find('@', at + 1) != std::string_view::npos) {
    return "An e-mail address has exactly one @, as in name@example.com.";
  }
  if (at == 0) return "Please enter the part before the @, as in name@example.com.";
  if (!is_plausible_domain(email.substr(at + 1))) {
    return "Please check the part after the @, as in name@example.com.";
  }
  return {};
}

}  // namespace

CheckedSignup check_signup(std::string_view raw_name, std::string_view raw_email) {
  CheckedSignup checked;
  // Browsers drop the blanks around an e-mail field's value; a name's
  // surrounding blanks are just as meaningless.
  const auto name = trim(raw_name);
  const auto email = trim(raw_email);
  checked.name_error = name_problem(name);
  checked.email_error = email_problem(email);
  if (checked.ok()) {
    checked.name = std::string(name);
    checked.email = std::string(email);
  }
  return checked;
}

bool has_mail_unsafe_chars(std::string_view email) {
  return email.find_first_of(kMailUnsafeChars) != std::string_view::npos;
}

std::string mail_address_problem(std::string_view email) {
  if (const auto problem = email_problem(email); !problem.empty()) return problem;
  if (has_mail_unsafe_chars(email)) return "An address for mail cannot contain , < > or quotes.";
  return {};
}

std::string to_displayable_utf8(std::string_view text) {
  const std::unique_ptr<gchar, decltype(&g_free)> valid(
      g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())), &g_free);
  return std::string(valid.get());
}

}  // namespace brevolt::signup
