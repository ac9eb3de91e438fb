#include <gtest/gtest.h>

#include "server/mail/message.h"
#include "server/mail/smtp_sender.h"
#include "tests/server/server_fixture.h"
#include "tests/server/smtp_relay.h"

namespace brevolt::signup::test {
namespace {

constexpr auto kMailTimeout = std::chrono::seconds(10);

// Whether the relay took the message decides whether the outbox keeps it.
TEST(SmtpSender, HandsTheMessageToTheRelayAndTellsWhenItIsDown) {
  TempDir dir;
  std::atomic<bool> cancel{false};
  const ConfirmationMail mail{"list@example.org", "ann@example.com", "https://x.example",
                              "tok", new_message_id("list@example.org")};
  const auto message = build_confirmation_message(mail);
  int port = 0;
  {
    SmtpRelay relay(dir.path() / "mail");
    port = relay.port();
    const auto result = SmtpSender(relay.url(), cancel).send(mail.from, mail.to, message);
    EXPECT_EQ(result.outcome, SendOutcome::Sent) << result.detail;
    const auto kept = relay.wait_for_mail(1, kMailTimeout);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].envelope_from, "list@example.org");
    EXPECT_EQ(kept[0].envelope_to, std::vector<std::string>{"ann@example.com"});
    EXPECT_EQ(kept[0].header("Message-Id"), "<" + mail.message_id + ">");
  }
  const auto down = SmtpSender("smtp://127.0.0.1:" + std::to_string(port), cancel)
                        .send(mail.from, mail.to, message);
  EXPECT_EQ(down.outcome, SendOutcome::TryLater);
  EXPECT_FALSE(down.detail.empty());
}

}  // namespace
}  // namespace brevolt::signup::test
