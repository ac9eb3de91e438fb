// What the outbox worker does with the relay's answer, recorded through the
// two interfaces it talks to.
#include "server/mail/outbox_worker.h"

#include <gtest/gtest.h>

#include "server/constants.h"
#include "server/store/sqlite/sqlite_store.h"
#include "server/token.h"
#include "tests/harness/scratch_dir.h"

namespace brevolt::signup::test {
namespace {

using std::chrono::seconds;

class RecordedOutbox : public Outbox {
 public:
  std::optional<QueuedMail> waiting;
  std::vector<std::string> calls;

  std::optional<QueuedMail> claim(seconds, const HeldDomains&) override {
    return std::exchange(waiting, std::nullopt);
  }
  void remove(std::int64_t) override { calls.push_back("remove"); }
  void retry(std::int64_t, seconds delay) override {
    calls.push_back("retry " + std::to_string(delay.count()));
  }
  void hurry() override { calls.push_back("hurry"); }
  std::optional<std::chrono::milliseconds> next_due_in(const HeldDomains&) override {
    return std::nullopt;
  }
  std::size_t due_count(const std::string&) override { return 0; }
};

class RecordedRelay : public MailSender {
 public:
  SendOutcome outcome = SendOutcome::Sent;
  std::string message;
  std::vector<std::string> recipients;
  SendResult send(const std::string&, const std::string& to, const std::string& m) override {
    message = m;
    recipients.push_back(to);
    return {outcome, "relay said so"};
  }
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
      {"relay down", SendOutcome::TryLater, 0, seconds{0}, {"retry 1"}, true},
      {"relay down long", SendOutcome::TryLater, 20, seconds{300}, {"retry 60"}, true},
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
    RecordedOutbox outbox;
    RecordedRelay relay;
    relay.outcome = c.outcome;
    std::vector<std::string> log;
    OutboxWorker worker(outbox, relay, {"list@example.org", "https://x.example"},
                        [&](std::string_view line) { log.emplace_back(line); });
    outbox.waiting = QueuedMail{7, "ann@example.com", "tok", "mid@example.org", c.attempts, c.age};
    worker.send_due();
    EXPECT_EQ(outbox.calls, c.calls);
    EXPECT_EQ(!log.empty(), c.logged);
    EXPECT_NE(relay.message.find("https://x.example/confirm?t=tok"), std::string::npos);
  }
}

TEST(OutboxWorker, MailOverADomainsBudgetWaitsInOrderUntilTheWindowHasRoom) {
  brevolt::test::ScratchDir dir{"brevolt-budget"};
  SqliteStore store((dir.path() / "list.db").string(), std::chrono::milliseconds(200));
  const std::vector<std::string> queued = {"a1@Flood.example", "a2@flood.example",
                                           "b1@other.example", "a3@flood.example",
                                           "a4@FLOOD.example", "a5@flood.example"};
  for (const auto& email : queued) {
    const auto token = new_token();
    ListSignup signup{"N", email, "", "", "", true, token.text, token.hash, email + ".mid"};
    ASSERT_EQ(store.sign_up(signup), ListSignupResult(ListSignupOutcome::MailQueued));
  }
  std::chrono::steady_clock::time_point now{};
  MailSettings settings{"list@example.org", "https://x.example", {1000, std::chrono::hours(1)},
                        {3, std::chrono::minutes(1)}, [&] { return now; }};
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

}  // namespace
}  // namespace brevolt::signup::test
