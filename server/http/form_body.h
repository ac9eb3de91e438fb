#pragma once
// Values of an application/x-www-form-urlencoded body.
#include <string>
#include <string_view>

namespace brevolt::signup {

// The first value given for `key`, decoded to raw bytes (which need not be
// UTF-8: the checks decide what to make of them); empty when absent.
std::string first_form_value(std::string_view body, std::string_view key);

}  // namespace brevolt::signup
