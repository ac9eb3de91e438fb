#include "tests/harness/signup_form.h"

#include <stdexcept>

#include "server/constants.h"

namespace brevolt::test {
namespace {

std::string attribute(const std::string& tag, const std::string& name) {
  const auto start = tag.find(" " + name + "=\"");
  if (start == std::string::npos) return {};
  const auto from = start + name.size() + 3;
  return tag.substr(from, tag.find('"', from) - from);
}

}  // namespace

std::vector<FormInput> FormInputs(const std::string& html) {
  std::vector<FormInput> inputs;
  for (auto at = html.find("<input"); at != std::string::npos; at = html.find("<input", at + 1)) {
    const auto tag = html.substr(at, html.find('>', at) - at);
    inputs.push_back({attribute(tag, "type"), attribute(tag, "name"), attribute(tag, "value")});
  }
  return inputs;
}

httplib::Params LoadedForm(httplib::Client& client, const std::string& name,
                           const std::string& email, const httplib::Headers& headers) {
  const auto page = client.Get(std::string(signup::kFormPath), headers);
  if (!page || page->status != 200) throw std::runtime_error("the sign-up form did not load");
  httplib::Params form{{"name", name}, {"email", email}};
  for (const auto& input : FormInputs(page->body)) {
    if (input.type == "hidden") form.emplace(input.name, input.value);
  }
  return form;
}

}  // namespace brevolt::test
