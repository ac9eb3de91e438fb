#pragma once
// The mail waiting to go, as the worker sees it. The store keeps it, in the
// same transaction as the sign-up that asked for it, so that no mail is lost
// to a crash and none is sent for a sign-up that was rolled back.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "server/mail/mail_budget.h"

namespace brevolt::signup {

struct QueuedMail {
  std::int64_t id = 0;
  std::string recipient;
  std::string token;            // the link's secret; gone with the row once sent
  std::string message_id;       // fixed when queued, so a resend is recognisable
  int attempts = 0;             // tries that failed so far
  std::chrono::seconds age{0};  // since it was queued, by the store's clock
};

// The held domains as the stores' queries take them: each on a line of its
// own, between newlines, which no domain holds.
std::string held_domain_lines(const HeldDomains& held);

class Outbox {
 public:
  virtual ~Outbox() = default;
  // The next mail that is due, to none of the `held` domains, leased for
  // `lease` so that no other worker (in this instance or another) takes it
  // meanwhile. Its link's lifetime starts now, as it goes.
  virtual std::optional<QueuedMail> claim(std::chrono::seconds lease,
                                          const HeldDomains& held) = 0;
  // Sent, or given up: the row goes.
  virtual void remove(std::int64_t id) = 0;
  // Counts a failed try and makes the mail due again after `delay`.
  virtual void retry(std::int64_t id, std::chrono::seconds delay) = 0;
  // The relay is back: every waiting mail is due now.
  virtual void hurry() = 0;
  // How long until the next mail (or lease) to none of the `held` domains
  // falls due; nothing when there is none.
  virtual std::optional<std::chrono::milliseconds> next_due_in(const HeldDomains& held) = 0;
  // Mail due now to `domain`, or to anyone when it is empty.
  virtual std::size_t due_count(const std::string& domain) = 0;

  // With nothing held.
  std::optional<QueuedMail> claim(std::chrono::seconds lease) { return claim(lease, {}); }
  std::optional<std::chrono::milliseconds> next_due_in() { return next_due_in({}); }
  // Removes the people still pending `after` their last mail, with their
  // consent record and mail; returns how many.
  virtual std::size_t forget_unconfirmed(std::chrono::hours after) = 0;
};

}  // namespace brevolt::signup
