#pragma once
// Sends through an SMTP relay with libcurl: smtp:// (STARTTLS where the
// relay offers it) or smtps://, with the login in the URL if it needs one.
// A login goes over TLS only: with one, smtp:// must get STARTTLS.
#include <atomic>
#include <string>

#include "server/mail/mail_sender.h"

namespace brevolt::signup {

class SmtpSender : public MailSender {
 public:
  // `cancel`, once true, ends a send in progress (as TryLater).
  SmtpSender(std::string url, const std::atomic<bool>& cancel);

  SendResult send(const std::string& from, const std::string& to,
                  const std::string& message) override;

 private:
  std::string url_;
  bool login_ = false;
  const std::atomic<bool>& cancel_;
};

}  // namespace brevolt::signup
