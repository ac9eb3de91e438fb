// What the outbox worker does with the relay's answer, recorded through the
// two interfaces it talks to.
#include "server/mail/outbox_worker.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

#include "server/constants.h"
#include "server/store/sqlite/sqlite_store.h"
#include "tests/server/server_fixture.h"
#include "server/mail/smtp_transcript.h"

namespace brevolt::signup::test {
namespace {

using std::chrono::seconds;

class RecordedOutbox : public Outbox {
 public:
  std::deque<QueuedMail> waiting;
  std::vector<std::string> calls;
  int removals_to_fail = 0;

  std::optional<QueuedMail> claim(seconds, const HeldDomains&) override {
    if (waiting.empty()) return std::nullopt;
    auto mail = waiting.front();
    waiting.pop_front();
    return mail;
  }
  void remove(std::int64_t) override {
    calls.push_back(removals_to_fail > 0 ? "remove failed" : "remove");
    if (removals_to_fail-- > 0) throw std::runtime_error("database is locked");
  }
  void retry(std::int64_t, seconds delay) override {
    calls.push_back("retry " + std::to_string(delay.count()));
  }
  void hurry() override { calls.push_back("hurry"); }
  std::optional<std::chrono::milliseconds> next_due_in(const HeldDomains&) override {
    if (waiting.empty()) return std::nullopt;
    return std::chrono::milliseconds{0};
  }
  std::size_t due_count(const std::string&) override { return 0; }
  std::size_t forget_unconfirmed(std::chrono::hours) override { return 0; }
};

class RecordedRelay : public MailSender {
 public:
  SendOutcome outcome = SendOutcome::Sent;
  std::string message;
  std::vector<std::string> recipients;
  int sends = 0;
  SendResult send(const std::string&, const std::string& to, const std::string& m) override {
    message = m;
    recipients.push_back(to);
    ++sends;
    return {outcome, "relay said so"};
  }
};

QueuedMail mail(int attempts = 0, seconds age = seconds{0}) {
  return QueuedMail{7, "ann@example.com", "tok", "mid@example.org", attempts, age};
}

const MailSettings kSettings{"list@example.org", "https://x.example",
                             std::chrono::days(kDefaultPendingDays), std::chrono::milliseconds{1}};

// A worker between a recorded outbox and relay, keeping what it logs.
struct RecordedWorker {
  RecordedOutbox outbox;
  RecordedRelay relay;
  std::vector<std::string> log;
  OutboxWorker worker{outbox, relay, kSettings,
                      [this](std::string_view line) { log.emplace_back(line); }};
};

struct WorkerCase {
  const char* label;
  SendOutcome outcome;
  int attempts;
  seconds age;
  std::vector<std::string> calls;
  bool logged;
};

TEST(OutboxWorker, SendsRetriesOrDropsByTheRelaysAnswer) {
  const WorkerCase cases[] = {
      {"sent at once", SendOutcome::Sent, 0, seconds{0}, {"remove"}, false},
      {"sent after waiting: the rest goes now",
       SendOutcome::Sent,
       3,
       seconds{9},
       {"remove", "hurry"},
       false},
      {"recipient refused for now", SendOutcome::TryLater, 0, seconds{0}, {"retry 1"}, true},
      {"refused for now again", SendOutcome::TryLater, 20, seconds{300}, {"retry 60"}, true},
      // The relay's own refusal (its greeting, MAIL FROM) or its absence.
      {"relay down", SendOutcome::RelayDown, 0, seconds{0}, {"retry 1"}, true},
      {"link expired meanwhile",
       SendOutcome::TryLater,
       99,
       kConfirmationLifetime,
       {"remove"},
       true},
      {"refused for good", SendOutcome::Refused, 0, seconds{0}, {"remove"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RecordedWorker t;
    t.relay.outcome = c.outcome;
    t.outbox.waiting = {mail(c.attempts, c.age)};
    t.worker.send_due();
    EXPECT_EQ(t.outbox.calls, c.calls);
    EXPECT_EQ(!t.log.empty(), c.logged);
    EXPECT_NE(t.relay.message.find("https://x.example/confirm?t=tok"), std::string::npos);
  }
}

TEST(OutboxWorker, MailOverADomainsBudgetWaitsInOrderUntilTheWindowHasRoom) {
  brevolt::test::ScratchDir dir{"brevolt-budget"};
  SqliteStore store((dir.path() / "list.db").string(), std::chrono::milliseconds(200));
  const std::vector<std::string> queued = {"a1@Flood.example", "a2@flood.example",
                                           "b1@other.example", "a3@flood.example",
                                           "a4@FLOOD.example", "a5@flood.example"};
  for (const auto& email : queued) {
    ASSERT_EQ(store.sign_up(list_signup(email, true)),
              ListSignupResult(ListSignupOutcome::MailQueued));
  }
  std::chrono::steady_clock::time_point now{};
  MailSettings settings{.from = "list@example.org",
                        .public_url = "https://x.example",
                        .budget = {1000, std::chrono::hours(1)},
                        .domain_budget = {3, std::chrono::minutes(1)},
                        .clock = [&] { return now; }};
  RecordedRelay relay;
  std::vector<std::string> log;
  OutboxWorker worker(store.list(), relay, settings,
                      [&](std::string_view line) { log.emplace_back(line); });

  // Held mail is not due: no busy loop while it waits.
  EXPECT_GT(worker.send_due(), std::chrono::milliseconds(0));
  EXPECT_EQ(relay.recipients, std::vector(queued.begin(), queued.begin() + 4));
  worker.send_due();
  EXPECT_EQ(relay.recipients.size(), 4u) << "still held";
  EXPECT_EQ(log, std::vector<std::string>{"outbox: holding 2 mail(s) to flood.example: its budget "
                                          "of 3/min (--mail-budget-domain) is spent"})
      << "said once a period";
  now += std::chrono::minutes(1);
  worker.send_due();
  EXPECT_EQ(relay.recipients, queued);
  EXPECT_EQ(store.list().next_due_in(), std::nullopt) << "nothing left, nothing dropped";
}

struct StageCase {
  std::vector<std::string> said;
  long reply;
  SendOutcome outcome;
};

// Whose fault a refusal is goes by the command it answered, never by the
// QUIT that follows it.
TEST(SmtpTranscript, OnlyTheRecipientAndTheDataCanRefuseTheMessage) {
  using O = SendOutcome;
  const StageCase cases[] = {
      {{}, 554, O::RelayDown},  // the greeting
      {{"EHLO x"}, 550, O::RelayDown},
      {{"EHLO x", "STARTTLS"}, 554, O::RelayDown},
      {{"EHLO x", "AUTH PLAIN", "dXNlcg=="}, 535, O::RelayDown},
      {{"EHLO x", "MAIL FROM:<l@x.org>", "QUIT"}, 550, O::RelayDown},
      {{"EHLO x", "MAIL FROM:<l@x.org>", "RCPT TO:<a@x.org>", "QUIT"}, 550, O::Refused},
      {{"EHLO x", "MAIL FROM:<l@x.org>", "RCPT TO:<a@x.org>"}, 450, O::TryLater},
      {{"EHLO x", "MAIL FROM:<l@x.org>", "RCPT TO:<a@x.org>", "DATA"}, 554, O::Refused},
      {{"EHLO x", "MAIL FROM:<l@x.org>", "RCPT TO:<a@x.org>", "DATA"}, 0, O::RelayDown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.said.size() << " commands, " << c.reply);
    SmtpTranscript transcript;
    for (const auto& line : c.said) transcript.said(line + "\r\n");
    transcript.heard("550 5.7.1 no\r\n");
    EXPECT_EQ(transcript.classify(c.reply), c.outcome);
  }
}

// Many mails due while the relay refuses every session: one try a step,
// one log line with it, and the rest left as they were.
TEST(OutboxWorker, ABacklogMeetsADownRelayOnceAStep) {
  RecordedWorker t;
  t.relay.outcome = SendOutcome::RelayDown;
  t.outbox.waiting.assign(5, mail());
  const auto wait = t.worker.send_due();
  EXPECT_EQ(t.relay.sends, 1);
  EXPECT_EQ(t.outbox.calls, std::vector<std::string>{"retry 1"});
  EXPECT_GT(wait, std::chrono::milliseconds{0});
  EXPECT_LE(wait, std::chrono::milliseconds(kFirstRetryDelay));
  // New mail wakes the worker within the step: still no try.
  t.worker.send_due();
  EXPECT_EQ(t.relay.sends, 1);
  EXPECT_EQ(t.outbox.waiting.size(), 4u);
  ASSERT_EQ(t.log.size(), 1u);
  EXPECT_NE(t.log[0].find("relay said so"), std::string::npos) << t.log[0];
}

// A sent mail whose row could not go is taken off before anything else is
// claimed; otherwise it would be sent again once its lease ran out.
TEST(OutboxWorker, ARemovalThatFailsAfterASendIsRetriedBeforeTheNextMail) {
  RecordedWorker t;
  t.outbox.waiting = {mail(), mail()};
  t.outbox.removals_to_fail = 2;
  t.worker.send_due();
  EXPECT_EQ(t.outbox.calls,
            (std::vector<std::string>{"remove failed", "remove failed", "remove", "remove"}));
  EXPECT_EQ(t.relay.sends, 2);
  EXPECT_EQ(t.log.size(), 1u) << "one line for the failure, not one a try";
}

}  // namespace
}  // namespace brevolt::signup::test
