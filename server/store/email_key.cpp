#include "server/store/email_key.h"

#include <algorithm>

namespace brevolt::signup {

std::string email_key(std::string_view email) {
  std::string key(email);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return key;
}

}  // namespace brevolt::signup
