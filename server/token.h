#pragma once
// The secret in a confirmation or unsubscribe link. Only its hash is
// stored, so a copy of the database cannot be used to act for anyone.
#include <cstddef>
#include <string>
#include <string_view>

namespace brevolt::signup {

struct Token {
  std::string text;  // base64url, no padding: goes into the link
  std::string hash;  // hex SHA-256 of `text`: goes into the store
};

// Fresh random bytes from the kernel; throws std::runtime_error if it has none.
Token new_token();

// `bytes` fresh random bytes from the kernel, base64url without padding;
// throws std::runtime_error if it has none.
std::string random_base64url(std::size_t bytes);
// Raw bytes as base64url without padding.
std::string base64url(std::string_view bytes);

// The hash a presented token is looked up by.
std::string token_hash(std::string_view text);

}  // namespace brevolt::signup
