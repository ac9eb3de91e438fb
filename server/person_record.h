#pragma once
// One person on the list as the maker's export shows them.
#include <optional>
#include <string>

namespace brevolt::signup {

struct PersonRecord {
  std::string email;
  std::optional<std::string> name;  // gone once unsubscribed
  std::string status;               // "pending", "confirmed" or "unsubscribed"
  std::optional<std::string> signed_up_at;
  std::optional<std::string> confirmed_at;
  std::optional<std::string> unsubscribed_at;
  std::optional<std::string> consent_address;
};

}  // namespace brevolt::signup
