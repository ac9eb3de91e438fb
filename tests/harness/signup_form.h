#pragma once
// The sign-up form as a browser sends it: loaded first, so that its hidden
// fields (the signed token among them) go back with the visitor's values.
#include <httplib.h>

#include <string>
#include <vector>

namespace brevolt::test {

struct FormInput {
  std::string type;
  std::string name;
  std::string value;
};

// Every <input> of a page, values as written (the server's hidden ones
// need no unescaping).
std::vector<FormInput> FormInputs(const std::string& html);
// Loads the form and fills in the name and e-mail; throws unless it loads.
httplib::Params LoadedForm(httplib::Client& client, const std::string& name,
                           const std::string& email, const httplib::Headers& headers = {});

}  // namespace brevolt::test
