#pragma once
// Sends the outbox's mail on a thread of its own, never on a request's
// path: a slow or absent relay delays mail, never an answer.
#include <atomic>
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

  // One pass: sends every mail that is due. Returns how long to wait for
  // the next. The thread calls it in a loop; tests may call it directly.
  std::chrono::milliseconds send_due();

 private:
  void run();
  bool send_one();
  // Say, once a period for each, which mail the budget holds.
  void tell_total_held();
  void tell_held(const HeldDomains& held);

  Outbox& outbox_;
  MailSender& sender_;
  MailSettings settings_;
  LogSink log_;
  MailBudget budget_;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable woken_;
  bool wake_pending_ = false;
  std::thread thread_;
};

}  // namespace brevolt::signup
