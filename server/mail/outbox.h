#pragma once
// The mail waiting to go, as the worker sees it. The store keeps it, in the
// same transaction as the sign-up that asked for it, so that no mail is lost
// to a crash and none is sent for a sign-up that was rolled back.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace brevolt::signup {

struct QueuedMail {
  std::int64_t id = 0;
  std::string recipient;
  std::string token;            // the link's secret; gone with the row once sent
  std::string message_id;       // fixed when queued, so a resend is recognisable
  int attempts = 0;             // tries that failed so far
  std::chrono::seconds age{0};  // since it was queued, by the store's clock
};

class Outbox {
 public:
  virtual ~Outbox() = default;
  // The next mail that is due, leased for `lease` so that no other worker
  // (in this instance or another) takes it meanwhile.
  virtual std::optional<QueuedMail> claim(std::chrono::seconds lease) = 0;
  // Sent, or given up: the row goes.
  virtual void remove(std::int64_t id) = 0;
  // Counts a failed try and makes the mail due again after `delay`.
  virtual void retry(std::int64_t id, std::chrono::seconds delay) = 0;
  // The relay is back: every waiting mail is due now.
  virtual void hurry() = 0;
  // How long until the next mail (or lease) falls due; nothing when empty.
  virtual std::optional<std::chrono::milliseconds> next_due_in() = 0;
  // Removes the people still pending `after` their last mail, with their
  // consent record and mail; returns how many.
  virtual std::size_t forget_unconfirmed(std::chrono::hours after) = 0;
};

}  // namespace brevolt::signup
