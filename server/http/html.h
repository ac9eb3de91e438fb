#pragma once
#include <string>
#include <string_view>

namespace brevolt::signup {

// Makes text safe inside HTML element content and quoted attribute values.
std::string escape_html(std::string_view text);

}  // namespace brevolt::signup
