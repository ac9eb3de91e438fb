#include "server/mail/outbox_worker.h"

#include <algorithm>
#include <exception>

#include "server/admin/metrics.h"
#include "server/constants.h"
#include "server/mail/message.h"
#include "server/mail/retry_schedule.h"

namespace brevolt::signup {
namespace {

std::chrono::milliseconds until(std::chrono::steady_clock::time_point when) {
  const auto left = when - std::chrono::steady_clock::now();
  return std::max<std::chrono::milliseconds>(
      std::chrono::ceil<std::chrono::milliseconds>(left), std::chrono::milliseconds{0});
}

}  // namespace

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

void OutboxWorker::pause(std::chrono::milliseconds delay) {
  std::unique_lock lock(mutex_);
  woken_.wait_for(lock, delay, [this] { return stopping_.load(); });
}

std::chrono::milliseconds OutboxWorker::send_due() {
  try {
    forget_pending();
    // New mail while the relay rests waits with the rest: one try a step,
    // however many are queued.
    if (relay_failures_ > 0 && Clock::now() < relay_retry_at_) return until(relay_retry_at_);
    while (!stopping_ && send_one()) {
    }
    if (relay_failures_ > 0) return until(relay_retry_at_);
    // Held mail is not due: the worker wakes when a budget has room again.
    const std::chrono::milliseconds idle = kOutboxIdlePoll;
    const auto wait = std::min(budget_.next_room().value_or(idle), idle);
    const auto forget = until(next_forget_);
    if (budget_.total_spent()) return std::min(wait, forget);
    const auto next = outbox_.next_due_in(budget_.held());
    return std::min({next.value_or(idle), wait, forget});
  } catch (const std::exception& error) {
    log_(std::string("outbox: the store failed: ") + error.what());
    return settings_.store_retry;
  }
}

// A store that fails here is tried at the next interval; mail must not wait
// for it.
void OutboxWorker::forget_pending() {
  const auto now = Clock::now();
  if (now < next_forget_) return;
  next_forget_ = now + kPendingSweepInterval;
  std::size_t forgotten = 0;
  try {
    forgotten = outbox_.forget_unconfirmed(settings_.forget_pending_after);
  } catch (const std::exception& error) {
    log_(std::string("outbox: could not forget unconfirmed sign-ups: ") + error.what());
  }
  if (forgotten > 0) {
    log_("outbox: forgot " + std::to_string(forgotten) + " sign-up(s) not confirmed within " +
         std::to_string(std::chrono::floor<std::chrono::days>(settings_.forget_pending_after)
                            .count()) +
         " days");
  }
}

// False when nothing more should be sent in this pass.
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
    case SendOutcome::Sent: {
      metrics().mails.add(MailResult::Sent);
      remove_sent(mail->id);
      // A mail that had been waiting went: the relay is back for the rest.
      const bool was_resting = relay_failures_ > 0;
      relay_failures_ = 0;
      if (mail->attempts > 0 || was_resting) outbox_.hurry();
      return true;
    }
    case SendOutcome::Refused:
      metrics().mails.add(MailResult::Undeliverable);
      log_("outbox: the relay refused mail " + mail->message_id + " for good: " + result.detail);
      outbox_.remove(mail->id);
      return true;
    case SendOutcome::TryLater:
    case SendOutcome::RelayDown:
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
    metrics().mails.add(MailResult::Undeliverable);
    outbox_.remove(mail->id);
    return true;
  }
  if (result.outcome == SendOutcome::RelayDown) {
    metrics().mails.add(MailResult::Retried);
    rest_relay(*mail, result.detail);
    return false;
  }
  // Refused for now for this recipient only: the others may go.
  log_("outbox: mail " + mail->message_id + " not taken yet, trying again in " +
       std::to_string(delay->count()) + " s: " + result.detail);
  metrics().mails.add(MailResult::Retried);
  outbox_.retry(mail->id, *delay);
  return true;
}

// The steps count the relay's failures in a row, not any one mail's: a
// backlog queued during an outage waits as long as its oldest mail.
void OutboxWorker::rest_relay(const QueuedMail& mail, const std::string& detail) {
  const auto now = Clock::now();
  if (relay_failures_ == 0) relay_down_since_ = now;
  ++relay_failures_;
  const auto down_for = std::chrono::duration_cast<std::chrono::seconds>(now - relay_down_since_);
  const auto step = retry_delay(relay_failures_, down_for).value_or(kRetryCapLater);
  relay_retry_at_ = now + step;
  log_("outbox: the relay took no mail, trying again in " + std::to_string(step.count()) +
       " s: " + detail);
  outbox_.retry(mail.id, step);
}

void OutboxWorker::remove_sent(std::int64_t id) {
  for (bool logged = false;; logged = true) {
    try {
      return outbox_.remove(id);
    } catch (const std::exception& error) {
      if (!logged) {
        log_(std::string("outbox: a sent mail could not be taken off the queue, trying "
                         "again: ") +
             error.what());
      }
    }
    // Stopped meanwhile: the lease runs out and the mail may go twice,
    // which only a store that stays away can cause.
    if (stopping_) return;
    pause(settings_.store_retry);
  }
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
