// What a program posting other people's addresses meets at the form, over
// real loopback HTTP: the signed token and the honeypot.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "server/constants.h"
#include "server/http/form_guard.h"
#include "tests/harness/signup_form.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

using std::chrono::milliseconds;

// With the mail path live, so that "nothing mailed" means something, and a
// wall clock the test moves by hand.
struct GuardedServer {
  ServerSettings settings() {
    ServerSettings settings;
    settings.list.confirm_by_mail = true;
    settings.list.mail_from = "list@example.org";
    const WallClock clock = [this] {
      return std::chrono::system_clock::time_point(milliseconds(now_ms.load()));
    };
    const LogSink keep = [this](std::string_view line) {
      const std::lock_guard lock(mutex);
      log += std::string(line) + "\n";
    };
    FormTokens tokens("a secret of this test", kFormTokenMinAge, clock);
    settings.list.form_guard = guard = std::make_shared<FormGuard>(std::move(tokens), keep);
    return settings;
  }
  // By the guard, which screens, or the server, which learns of a replay.
  bool logged(const std::string& phrase) {
    const std::lock_guard lock(mutex);
    const auto lines = server.log_lines();
    return log.find(phrase) != std::string::npos ||
           std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
             return line.find(phrase) != std::string::npos;
           });
  }
  std::size_t mails_waiting() const {
    return SqliteStore(server.db_path().string(), kTestBusyTimeout).list().due_count("");
  }
  std::string post(const httplib::Params& form) {
    const auto res = server.client().Post(std::string(kFormPath), form);
    return res ? res->get_header_value("Location") : "no answer";
  }

  std::atomic<std::int64_t> now_ms{1'800'000'000'000};
  std::mutex mutex;
  std::string log;
  std::shared_ptr<FormGuard> guard;
  ServerUnderTest server{settings()};
};

// The honeypot's bot fills every text field it finds on the page.
TEST(FormGuard, OnlyAFreshUnusedTokenSignsUpOnceAndABotFillingEveryFieldGetsNothing) {
  GuardedServer guarded;
  auto client = guarded.server.client();
  const std::string field(kFormTokenField);
  enum class Tamper { None, Drop, FlipLastByte, UseSpent, FillEveryField };
  const struct {
    const char* label;
    milliseconds wait;  // between loading the form and sending it
    Tamper tamper;
    const char* location;
    const char* logged;
  } cases[] = {
      {"missing", kFormTokenMinAge, Tamper::Drop, "/sorry.html", "no form token"},
      {"forged by one byte", kFormTokenMinAge, Tamper::FlipLastByte, "/sorry.html",
       "not one this list signed"},
      {"too young", kFormTokenMinAge - milliseconds(100), Tamper::None, "/sorry.html",
       "1 s old, under the 2 s"},
      {"just old enough", kFormTokenMinAge, Tamper::None, "/thankyou.html", ""},
      {"used already", kFormTokenMinAge, Tamper::UseSpent, "/sorry.html",
       "used for a sign-up already"},
      {"expired", kFormTokenLifetime + milliseconds(1), Tamper::None, "/sorry.html", "past its"},
      {"honeypot filled", kFormTokenMinAge, Tamper::FillEveryField, "/thankyou.html",
       "filled the field people never see (1 since the start)"},
  };
  const auto page = client.Get(std::string(kFormPath));
  ASSERT_TRUE(page);
  std::string spent;
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto form = brevolt::test::LoadedForm(client, "Ann", "ann" + std::to_string(++n) + "@b.co");
    auto token = form.find(field)->second;
    form.erase(field);
    if (c.tamper == Tamper::FlipLastByte) token.back() = token.back() == 'A' ? 'B' : 'A';
    if (c.tamper == Tamper::UseSpent) token = spent;
    if (c.tamper != Tamper::Drop) form.emplace(field, token);
    for (const auto& input : brevolt::test::FormInputs(page->body)) {
      if (c.tamper != Tamper::FillEveryField || input.type == "hidden") continue;
      form.erase(input.name);
      form.emplace(input.name, "victim@example.com");
    }
    guarded.now_ms += c.wait.count();
    EXPECT_EQ(guarded.post(form), c.location);
    EXPECT_TRUE(guarded.logged(c.logged));
    if (c.tamper == Tamper::None) spent = token;
  }
  // The one good token recorded a sign-up, and mailed it; nothing else did.
  const auto rows = ReadSignups(guarded.server.db_path());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].email, "ann4@b.co");
  EXPECT_EQ(guarded.mails_waiting(), 1u);
  EXPECT_EQ(guarded.guard->honeypot_hits(), 1u);
}

}  // namespace
}  // namespace brevolt::signup::test
