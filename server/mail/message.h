#pragma once
// The confirmation mail as the bytes handed to the relay.
#include <string>
#include <string_view>

namespace brevolt::signup {

struct ConfirmationMail {
  std::string from;        // the list's own address
  std::string to;          // the address that signed up, already checked
  std::string public_url;  // base of the links, without a trailing slash
  std::string token;       // the link's secret, as it goes into the link
  std::string message_id;  // without angle brackets; the same on every try
};

// RFC 5322 with CRLF line ends, dated now. The person's name is never asked
// for: whatever a stranger typed into it must not reach anyone's inbox.
std::string build_confirmation_message(const ConfirmationMail& mail);

// A new Message-ID for a mail from `from`, in its domain.
std::string new_message_id(std::string_view from);

// The two links a mail carries.
std::string confirm_link(std::string_view public_url, std::string_view token);
std::string unsubscribe_link(std::string_view public_url, std::string_view token);

}  // namespace brevolt::signup
