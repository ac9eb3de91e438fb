#pragma once
// Confirmation mail as the server runs it: the relay and the outbox worker
// that feeds it, started together and stopped together.
#include <atomic>
#include <memory>

#include "server/mail/outbox_worker.h"
#include "server/mail/smtp_sender.h"
#include "server/options.h"

namespace brevolt::signup {

class Mailer {
 public:
  Mailer(Outbox& outbox, const MailOptions& options, LogSink log);
  // Cuts a send in progress short; what was not sent stays queued for the
  // next start.
  ~Mailer();
  Mailer(const Mailer&) = delete;
  Mailer& operator=(const Mailer&) = delete;

  // Mail left from an earlier run goes at once.
  void start() { worker_.start(); }
  void wake() { worker_.wake(); }

 private:
  std::atomic<bool> cancel_{false};
  SmtpSender sender_;
  OutboxWorker worker_;
};

}  // namespace brevolt::signup
