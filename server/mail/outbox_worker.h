#pragma once
// Sends the outbox's mail on a thread of its own, never on a request's
// path: a slow or absent relay delays mail, never an answer.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "server/constants.h"
#include "server/mail/mail_budget.h"
#include "server/mail/mail_sender.h"
#include "server/mail/outbox.h"
#include "server/system/log_sink.h"

namespace brevolt::signup {

struct MailSettings {
  std::string from;
  std::string public_url;
  // Pending people are forgotten this long after their last mail.
  std::chrono::hours forget_pending_after = std::chrono::days(kDefaultPendingDays);
  // After the store failed, how long until it is asked again.
  std::chrono::milliseconds store_retry = kOutboxStoreRetry;
  BudgetLimit budget{kDefaultMailBudget, kDefaultMailBudgetPeriod};
  BudgetLimit domain_budget{kDefaultDomainMailBudget, kDefaultMailBudgetPeriod};
  MailBudget::Clock clock = std::chrono::steady_clock::now;
};

class OutboxWorker {
 public:
  OutboxWorker(Outbox& outbox, MailSender& sender, MailSettings settings, LogSink log);
  ~OutboxWorker();  // stops
  OutboxWorker(const OutboxWorker&) = delete;
  OutboxWorker& operator=(const OutboxWorker&) = delete;

  void start();
  // New mail was queued: look at once.
  void wake();
  // Returns once the thread has ended. A send the sender cut short stays
  // queued.
  void stop();

  // One pass: forgets the pending people whose time is up (once in a
  // while), then sends every mail that is due, unless the relay is resting
  // after a failure. Returns how long to wait for the next pass. The thread
  // calls it in a loop; tests may call it directly.
  std::chrono::milliseconds send_due();

 private:
  using Clock = std::chrono::steady_clock;

  void run();
  void forget_pending();
  bool send_one();
  // Say, once a period for each, which mail the budget holds.
  void tell_total_held();
  void tell_held(const HeldDomains& held);
  // The relay refused the session: every mail waits for the next step.
  void rest_relay(const QueuedMail& mail, const std::string& detail);
  // Sent: the row must go, or the mail would go again once its lease ends.
  void remove_sent(std::int64_t id);
  // Waits `delay` unless stopped meanwhile.
  void pause(std::chrono::milliseconds delay);

  Outbox& outbox_;
  MailSender& sender_;
  MailSettings settings_;
  LogSink log_;
  MailBudget budget_;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable woken_;
  bool wake_pending_ = false;
  // Worker thread only: the relay's failures in a row, since when, and
  // when it is tried again.
  int relay_failures_ = 0;
  Clock::time_point relay_down_since_;
  Clock::time_point relay_retry_at_;
  Clock::time_point next_forget_;
  std::thread thread_;
};

}  // namespace brevolt::signup
