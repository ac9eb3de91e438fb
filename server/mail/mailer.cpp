#include "server/mail/mailer.h"

namespace brevolt::signup {

Mailer::Mailer(Outbox& outbox, const MailOptions& options, LogSink log)
    : sender_(options.smtp_url, cancel_),
      worker_(outbox, sender_,
              {options.from, options.public_url, std::chrono::days(options.pending_days)},
              std::move(log)) {}

Mailer::~Mailer() {
  cancel_ = true;
  worker_.stop();
}

}  // namespace brevolt::signup
