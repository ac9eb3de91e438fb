// What the outbox worker does with the relay's answer, recorded through the
// two interfaces it talks to.
#include "server/mail/outbox_worker.h"

#include <gtest/gtest.h>

#include "server/constants.h"

namespace brevolt::signup::test {
namespace {

using std::chrono::seconds;

class RecordedOutbox : public Outbox {
 public:
  std::optional<QueuedMail> waiting;
  std::vector<std::string> calls;

  std::optional<QueuedMail> claim(seconds) override { return std::exchange(waiting, std::nullopt); }
  void remove(std::int64_t) override { calls.push_back("remove"); }
  void retry(std::int64_t, seconds delay) override {
    calls.push_back("retry " + std::to_string(delay.count()));
  }
  void hurry() override { calls.push_back("hurry"); }
  std::optional<std::chrono::milliseconds> next_due_in() override { return std::nullopt; }
};

class RecordedRelay : public MailSender {
 public:
  SendOutcome outcome = SendOutcome::Sent;
  std::string message;
  SendResult send(const std::string&, const std::string&, const std::string& m) override {
    message = m;
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

}  // namespace
}  // namespace brevolt::signup::test
