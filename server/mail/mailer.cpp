#include "server/mail/mailer.h"

namespace brevolt::signup {

Mailer::Mailer(Outbox& outbox, const MailOptions& options, LogSink log)
    : sender_(options.smtp_url, cancel_),
      worker_(outbox, sender_,
              {.from = options.from,
               .public_url = options.public_url,
               .forget_pending_after = std::chrono::days(options.pending_days),
               .budget = options.budget,
               .domain_budget = options.domain_budget},
              std::move(log)) {}

Mailer::~Mailer() {
  cancel_ = true;
  worker_.stop();
}

}  // namespace brevolt::signup
