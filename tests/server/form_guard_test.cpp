// What a program posting other people's addresses meets at the form, over
// real loopback HTTP: the signed token and the honeypot.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "server/constants.h"
#include "server/http/form_guard.h"
#include "tests/harness/signup_form.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

using brevolt::test::FormInputs;
using brevolt::test::LoadedForm;
using std::chrono::milliseconds;

// A wall clock the test moves by hand.
struct HandClock {
  std::atomic<std::int64_t> offset_ms{0};
  WallClock clock() {
    return [this] {
      return std::chrono::system_clock::time_point(std::chrono::hours(480000)) +
             milliseconds(offset_ms.load());
    };
  }
  void advance(milliseconds by) { offset_ms += by.count(); }
};

struct GuardedServer {
  explicit GuardedServer(HandClock& clock) : server(settings(clock)) {}
  ServerSettings settings(HandClock& clock) {
    ServerSettings settings;
    // The mail path is live, so that "nothing mailed" means something.
    settings.list.confirm_by_mail = true;
    settings.list.mail_from = "list@example.org";
    settings.list.form_guard = guard = std::make_shared<FormGuard>(
        FormTokens("a secret of this test", kFormTokenMinAge, clock.clock()),
        [this](std::string_view line) {
          const std::lock_guard lock(mutex);
          log.emplace_back(line);
        });
    return settings;
  }
  bool logged(const std::string& phrase) {
    const std::lock_guard lock(mutex);
    for (const auto& line : log) {
      if (line.find(phrase) != std::string::npos) return true;
    }
    return false;
  }
  bool outbox_empty() const {
    SqliteStore reader(server.db_path().string(), kTestBusyTimeout);
    return !reader.list().next_due_in().has_value();
  }

  std::mutex mutex;
  std::vector<std::string> log;
  std::shared_ptr<FormGuard> guard;
  ServerUnderTest server;
};

std::string location_of(const httplib::Result& res) {
  return res ? res->get_header_value("Location") : "no answer";
}

TEST(FormGuard, OnlyAFreshUnusedTokenOfAtLeastTheLeastAgeSignsUpOnce) {
  HandClock clock;
  GuardedServer guarded(clock);
  auto client = guarded.server.client();
  const std::string token_field(kFormTokenField);
  httplib::Params used;
  struct Case {
    const char* label;
    milliseconds wait;  // between loading the form and sending it
    void (*tamper)(httplib::Params& form, const httplib::Params& used, const std::string& field);
    const char* location;
    const char* logged;
  };
  const Case cases[] = {
      {"missing", kFormTokenMinAge,
       [](auto& form, auto&, const auto& field) { form.erase(field); }, "/sorry.html",
       "no form token"},
      {"forged by one byte", kFormTokenMinAge,
       [](auto& form, auto&, const auto& field) {
         auto token = form.find(field)->second;
         token.back() = token.back() == 'A' ? 'B' : 'A';
         form.erase(field);
         form.emplace(field, token);
       },
       "/sorry.html", "not one this list signed"},
      {"too young", kFormTokenMinAge - milliseconds(100), nullptr, "/sorry.html",
       "1 s old, under the 2 s"},
      {"just old enough", kFormTokenMinAge, nullptr, "/thankyou.html", nullptr},
      {"used already", kFormTokenMinAge,
       [](auto& form, auto& used, const auto& field) {
         form.erase(field);
         form.emplace(field, used.find(field)->second);
       },
       "/sorry.html", "used for a sign-up already"},
      {"expired", kFormTokenLifetime + milliseconds(1), nullptr, "/sorry.html",
       "past its 7200 s"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto form = LoadedForm(client, "Ann", "ann" + std::to_string(++n) + "@example.com");
    ASSERT_EQ(form.count(token_field), 1u);
    clock.advance(c.wait);
    if (c.tamper) c.tamper(form, used, token_field);
    EXPECT_EQ(location_of(client.Post(std::string(kFormPath), form)), c.location);
    if (c.logged) {
      EXPECT_TRUE(guarded.logged(c.logged));
    }
    if (!c.tamper && !c.logged) used = form;
  }
  // Only the one good token recorded a sign-up, and mailed it.
  const auto rows = ReadSignups(guarded.server.db_path());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].email, "ann4@example.com");
  EXPECT_FALSE(guarded.outbox_empty());
}

TEST(FormGuard, ABotFillingEveryFieldIsThankedAndNothingIsStoredOrMailed) {
  HandClock clock;
  GuardedServer guarded(clock);
  auto client = guarded.server.client();
  const auto page = client.Get(std::string(kFormPath));
  ASSERT_TRUE(page);
  httplib::Params form;
  for (const auto& input : FormInputs(page->body)) {
    form.emplace(input.name, input.type == "hidden" ? input.value : "victim@example.com");
  }
  ASSERT_EQ(form.count(std::string(kHoneypotField)), 1u);
  clock.advance(kFormTokenMinAge);
  EXPECT_EQ(location_of(client.Post(std::string(kFormPath), form)), "/thankyou.html");
  EXPECT_TRUE(ReadSignups(guarded.server.db_path()).empty());
  EXPECT_TRUE(guarded.outbox_empty());
  EXPECT_EQ(guarded.guard->honeypot_hits(), 1u);
  EXPECT_TRUE(guarded.logged("filled the field people never see (1 since the start)"));
}

}  // namespace
}  // namespace brevolt::signup::test
