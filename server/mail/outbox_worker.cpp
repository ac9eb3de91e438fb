#include "server/mail/outbox_worker.h"

#include <algorithm>
#include <exception>

#include "server/constants.h"
#include "server/mail/message.h"
#include "server/mail/retry_schedule.h"

namespace brevolt::signup {

OutboxWorker::OutboxWorker(Outbox& outbox, MailSender& sender, MailSettings settings, LogSink log)
    : outbox_(outbox),
      sender_(sender),
      settings_(std::move(settings)),
      log_(std::move(log)),
      budget_(settings_.budget, settings_.domain_budget, settings_.clock) {}

OutboxWorker::~OutboxWorker() { stop(); }

void OutboxWorker::start() {
  thread_ = std::thread([this] { run(); });
}

void OutboxWorker::wake() {
  {
    const std::lock_guard lock(mutex_);
    wake_pending_ = true;
  }
  woken_.notify_one();
}

void OutboxWorker::stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  woken_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void OutboxWorker::run() {
  while (!stopping_) {
    const auto wait = send_due();
    std::unique_lock lock(mutex_);
    woken_.wait_for(lock, wait, [this] { return stopping_ || wake_pending_; });
    wake_pending_ = false;
  }
}

std::chrono::milliseconds OutboxWorker::send_due() {
  try {
    while (!stopping_ && send_one()) {
    }
    // Held mail is not due: the worker wakes when a budget has room again.
    const auto wait = std::min<std::chrono::milliseconds>(
        budget_.next_room().value_or(kOutboxIdlePoll), kOutboxIdlePoll);
    if (budget_.total_spent()) return wait;
    const auto next = outbox_.next_due_in(budget_.held());
    return std::min<std::chrono::milliseconds>(next.value_or(kOutboxIdlePoll), wait);
  } catch (const std::exception& error) {
    log_(std::string("outbox: the store failed: ") + error.what());
    return kOutboxStoreRetry;
  }
}

// False when nothing was due.
bool OutboxWorker::send_one() {
  if (budget_.total_spent()) {
    tell_total_held();
    return false;
  }
  const auto held = budget_.held();
  const auto mail = outbox_.claim(kSendLease, held);
  if (!mail) {
    tell_held(held);
    return false;
  }
  // Counted whatever the relay answers: a relay that is failing is being
  // asked, too.
  budget_.spend(recipient_domain(mail->recipient));
  const auto message = build_confirmation_message(
      {settings_.from, mail->recipient, settings_.public_url, mail->token, mail->message_id});
  const auto result = sender_.send(settings_.from, mail->recipient, message);
  switch (result.outcome) {
    case SendOutcome::Sent:
      outbox_.remove(mail->id);
      // A mail that had been waiting went: the relay is back for the rest.
      if (mail->attempts > 0) outbox_.hurry();
      return true;
    case SendOutcome::Refused:
      log_("outbox: the relay refused mail " + mail->message_id + " for good: " + result.detail);
      outbox_.remove(mail->id);
      return true;
    case SendOutcome::TryLater:
      break;
  }
  if (stopping_) {
    // Cut short by the stop: the next start sends it at once.
    outbox_.retry(mail->id, std::chrono::seconds{0});
    return false;
  }
  const auto delay = retry_delay(mail->attempts + 1, mail->age);
  if (!delay) {
    log_("outbox: gave up on mail " + mail->message_id +
         ", its link has expired: " + result.detail);
    outbox_.remove(mail->id);
    return true;
  }
  log_("outbox: mail " + mail->message_id + " not sent, trying again in " +
       std::to_string(delay->count()) + " s: " + result.detail);
  outbox_.retry(mail->id, *delay);
  // Whatever else is due would meet the same relay; wait for the next due
  // time instead of hammering it.
  return false;
}

void OutboxWorker::tell_total_held() {
  if (!budget_.time_to_tell({})) return;
  const auto waiting = outbox_.due_count({});
  if (waiting == 0) return;
  budget_.told({});
  const auto room = budget_.next_room().value_or(std::chrono::milliseconds{0});
  log_("outbox: holding " + std::to_string(waiting) + " mail(s): the budget of " +
       budget_text(budget_.total()) + " (--mail-budget) is spent; the next may go in " +
       std::to_string(std::chrono::ceil<std::chrono::seconds>(room).count()) + " s");
}

void OutboxWorker::tell_held(const HeldDomains& held) {
  for (const auto& domain : held) {
    if (!budget_.time_to_tell(domain)) continue;
    const auto waiting = outbox_.due_count(domain);
    if (waiting == 0) continue;
    budget_.told(domain);
    log_("outbox: holding " + std::to_string(waiting) + " mail(s) to " + domain +
         ": its budget of " + budget_text(budget_.per_domain()) +
         " (--mail-budget-domain) is spent");
  }
}

}  // namespace brevolt::signup
