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

// Every <input> of a page, in order, values as written (the server's
// hidden values need no unescaping).
std::vector<FormInput> FormInputs(const std::string& html);

// Loads the form through `client` and fills in the name and e-mail; throws
// std::runtime_error when the form does not load.
httplib::Params LoadedForm(httplib::Client& client, const std::string& name,
                           const std::string& email, const httplib::Headers& headers = {});

}  // namespace brevolt::test
