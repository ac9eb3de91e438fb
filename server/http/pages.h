#pragma once
// The HTML of every page the server answers with.
#include <string>

namespace brevolt::signup {

// What the form shows: the visitor's own values (raw, escaped on output) and
// the reason next to each field that was refused.
struct FormView {
  std::string name;
  std::string email;
  std::string name_error;
  std::string email_error;
};

std::string render_form(const FormView& view);
std::string render_thank_you();
std::string render_sorry();
// For answers of 400 and above that carry no page of their own.
std::string render_error(int status);

}  // namespace brevolt::signup
