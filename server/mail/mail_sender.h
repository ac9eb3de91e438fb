#pragma once
// Hands one message to a mail relay. The outbox talks to the relay only
// through this, so its retry rules can be followed without a network.
#include <string>

namespace brevolt::signup {

enum class SendOutcome {
  Sent,      // the relay took the message
  TryLater,  // down, unreachable, or refused for now (4xx)
  Refused,   // refused for good (5xx): trying again would not help
};

struct SendResult {
  SendOutcome outcome = SendOutcome::TryLater;
  std::string detail;  // for the log; empty when sent
};

class MailSender {
 public:
  virtual ~MailSender() = default;
  // `message` is the whole mail with CRLF line ends.
  virtual SendResult send(const std::string& from, const std::string& to,
                          const std::string& message) = 0;
};

}  // namespace brevolt::signup
