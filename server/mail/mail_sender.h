#pragma once
// Hands one message to a mail relay. The outbox talks to the relay only
// through this, so its retry rules can be followed without a network.
#include <string>

namespace brevolt::signup {

enum class SendOutcome {
  Sent,       // the relay took the message
  TryLater,   // this message refused for now (4xx to its recipient or data)
  RelayDown,  // no message could go: unreachable, or refused before the
              // recipient (greeting, EHLO, STARTTLS, AUTH, MAIL FROM), which
              // is the relay's or the configuration's fault, not the mail's
  Refused,    // this message refused for good (5xx to its recipient or data)
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
