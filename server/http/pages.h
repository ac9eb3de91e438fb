#pragma once
// The HTML of every page the server answers with.
#include <string>
#include <string_view>

namespace brevolt::signup {

// What the form shows: the visitor's own values (raw, escaped on output) and
// the reason next to each field that was refused.
struct FormView {
  std::string name;
  std::string email;
  std::string name_error;
  std::string email_error;
  // What the server was started with.
  bool confirm_by_mail = false;
  std::string privacy_url;  // none when empty
  // The form's signed token; with it comes the honeypot field. None when
  // empty.
  std::string form_token;
};

std::string render_form(const FormView& view);
std::string render_thank_you(bool confirm_by_mail);
std::string render_sorry();
// The pages a link in the confirmation mail leads to. Opening a link
// changes nothing (mail scanners open links too): it shows a button that
// posts `token` back.
std::string render_confirm_prompt(std::string_view token);
std::string render_confirmed();
std::string render_unsubscribe_prompt(std::string_view token);
std::string render_unsubscribed();
// A link that is unknown (404) or has expired (410).
std::string render_link_problem(int status);

// For answers of 400 and above that carry no page of their own.
std::string render_error(int status);

}  // namespace brevolt::signup
