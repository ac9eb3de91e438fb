#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <cctype>
#include <string>
#include <thread>

#include "server/constants.h"
#include "server/http/client_address.h"
#include "tests/harness/x_session.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

using brevolt::test::WaitUntil;

constexpr const char* kForm = "/posttobrevolt2.asp";
constexpr std::chrono::seconds kWaitLimit{10};

httplib::Result sign_up(const ServerUnderTest& server, const std::string& name,
                        const std::string& email) {
  return server.client().Post(kForm, httplib::Params{{"name", name}, {"email", email}});
}

// 'd' stands for any digit; every other character must match itself.
bool has_shape(const std::string& text, const std::string& shape) {
  if (text.size() != shape.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool ok = shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(text[i])) != 0
                                    : text[i] == shape[i];
    if (!ok) return false;
  }
  return true;
}

void expect_common_headers(const httplib::Response& res) {
  EXPECT_EQ(res.get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(res.get_header_value("Cache-Control"), "no-store");
}

TEST(SignupFlow, ValidSignUpIsStoredOnceAndLeadsToThankYou) {
  ServerUnderTest server;
  const auto res = sign_up(server, "  Ann Example \t", "Ann@Example.com");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 303);
  EXPECT_EQ(res->get_header_value("Location"), "/thankyou.html");
  expect_common_headers(*res);

  const auto rows = ReadSignups(server.db_path());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, "Ann Example");
  EXPECT_EQ(rows[0].email, "Ann@Example.com");
  EXPECT_TRUE(has_shape(rows[0].signed_up_at, "dddd-dd-ddTdd:dd:dd.dddZ")) << rows[0].signed_up_at;
  EXPECT_TRUE(server.log_lines().empty());
}

TEST(SignupFlow, KnownAddressInOtherCaseKeepsFirstRowAndStillThanks) {
  ServerUnderTest server;
  ASSERT_EQ(sign_up(server, "Ann", "ann@example.com")->status, 303);
  const auto again = sign_up(server, "Mallory", "ANN@EXAMPLE.COM");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 303);
  EXPECT_EQ(again->get_header_value("Location"), "/thankyou.html");

  const auto rows = ReadSignups(server.db_path());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, "Ann");
  EXPECT_EQ(rows[0].email, "ann@example.com");
}

TEST(SignupFlow, MultibyteNameOfTwoHundredCharactersIsAccepted) {
  ServerUnderTest server;
  std::string name;
  for (int i = 0; i < 200; ++i) name += "\xC3\xA9";  // é, two bytes each
  ASSERT_EQ(sign_up(server, name, "e@example.org")->status, 303);
  const auto rows = ReadSignups(server.db_path());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, name);
}

struct PageCase {
  const char* path;
  int status;
  const char* must_contain;
};

TEST(SignupFlow, PagesCarryHtmlTypeAndNoStore) {
  ServerUnderTest server;
  const PageCase cases[] = {
      {kForm, 200, "Join our mailing list"},
      {"/thankyou.html", 200, "Thank you"},
      {"/sorry.html", 200, "We could not record your sign-up, please try later."},
      {"/nothing-here.html", 404, "Page not found"},
      {"/posttobrevolt2xasp", 404, "Page not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const auto res = server.client().Get(c.path);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status);
    EXPECT_NE(res->body.find(c.must_contain), std::string::npos);
    expect_common_headers(*res);
  }
}

TEST(SignupFlow, FormOffersFocusedNameAndEmailAndNeverPointsAtAnEnd) {
  ServerUnderTest server;
  const auto res = server.client().Get(kForm);
  ASSERT_TRUE(res);
  const auto& body = res->body;
  EXPECT_NE(body.find(R"(id="name" name="name")"), std::string::npos);
  EXPECT_NE(body.find(R"(id="email" name="email")"), std::string::npos);
  const auto name_input = body.find(R"(id="name")");
  ASSERT_NE(name_input, std::string::npos);
  const auto tag = body.substr(body.rfind("<input", name_input),
                               body.find('>', name_input) - body.rfind("<input", name_input));
  EXPECT_NE(tag.find(" autofocus"), std::string::npos) << tag;
  EXPECT_NE(body.find(R"(action="/posttobrevolt2.asp")"), std::string::npos);
  // Rendered in the embedded control's newest mode, not its oldest.
  EXPECT_NE(body.find(R"(<meta http-equiv="X-UA-Compatible" content="IE=edge">)"),
            std::string::npos);
  // Anything on the page with these words could end the desktop program early.
  EXPECT_EQ(body.find("thankyou"), std::string::npos);
  EXPECT_EQ(body.find("sorry"), std::string::npos);
  EXPECT_EQ(body.find("://"), std::string::npos) << "no external resources";
}

TEST(SignupFlow, OtherBodyEncodingIsRefusedAndNothingStored) {
  ServerUnderTest server;
  const auto res = server.client().Post(kForm, "name=Ann&email=a%40b.co", "text/plain");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 415);
  expect_common_headers(*res);
  EXPECT_TRUE(ReadSignups(server.db_path()).empty());
}


TEST(SignupFlow, DatabaseLockedPastTimeoutLeadsToSorryAndIsLogged) {
  ServerUnderTest server;
  {
    WriteLock lock(server.db_path());
    ASSERT_TRUE(lock.locked());
    const auto start = std::chrono::steady_clock::now();
    const auto res = sign_up(server, "Ann", "ann@example.com");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 303);
    EXPECT_EQ(res->get_header_value("Location"), "/sorry.html");
    EXPECT_GE(std::chrono::steady_clock::now() - start, kTestBusyTimeout);
    // Health checks wait for the same lock, and say the store is away.
    EXPECT_EQ(server.client().Get("/healthz")->status, 503);
  }
  const auto log = server.log_lines();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find("could not record a sign-up"), std::string::npos) << log[0];
  EXPECT_NE(log[1].find("health check: taking the write lock"), std::string::npos) << log[1];
  EXPECT_EQ(log[0].find('\n'), std::string::npos);
  EXPECT_TRUE(ReadSignups(server.db_path()).empty());

  // Once the other writer is gone, sign-ups are recorded again.
  EXPECT_EQ(sign_up(server, "Ann", "ann@example.com")->get_header_value("Location"),
            "/thankyou.html");
  EXPECT_EQ(ReadSignups(server.db_path()).size(), 1u);
}

// A sign-up still waiting for the store when the stop comes is finished,
// answered and kept.
TEST(SignupFlow, StopFinishesTheSignUpInProgress) {
  ServerUnderTest server;
  server.gate().close();
  std::optional<httplib::Result> res;
  std::thread visitor([&] { res.emplace(sign_up(server, "Ann", "ann@example.com")); });
  ASSERT_TRUE(server.gate().wait_for_arrival(kWaitLimit));
  std::thread stopper([&] { server.stop(); });
  ASSERT_TRUE(WaitUntil([&] { return !server.listening(); }, kWaitLimit)) << "never stopped";
  server.gate().open();
  visitor.join();
  stopper.join();
  ASSERT_TRUE(res && *res);
  EXPECT_EQ((*res)->get_header_value("Location"), "/thankyou.html");
  EXPECT_EQ(ReadSignups(server.db_path()).size(), 1u);
}

// A store that does not answer holds neither the visitor nor a stop for
// longer than their bounds. The visitor who hangs up after the sorry page
// ends the connection then, not once the store gets round to the work, and
// its late answer lands harmlessly.
TEST(SignupFlow, StoreTooSlowLeadsToSorryAndDoesNotHoldUpTheStop) {
  constexpr std::chrono::milliseconds kShort{50};
  {
    ServerSettings settings;
    settings.store_deadline = kShort;
    ServerUnderTest server(settings);
    server.gate().close();
    const auto late = sign_up(server, "Ann", "ann@example.com");
    ASSERT_TRUE(late);
    EXPECT_EQ(late->get_header_value("Location"), "/sorry.html");
    ASSERT_TRUE(server.gate().wait_for_arrival(kWaitLimit));
    EXPECT_TRUE(server.wait_for_connections(0));
    server.gate().open();
    EXPECT_EQ(sign_up(server, "Bob", "bob@example.com")->get_header_value("Location"),
              "/thankyou.html");
    const auto log = server.log_lines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("the store did not answer in time"), std::string::npos) << log[0];
  }
  ServerSettings settings;
  settings.stop_bound = kShort;
  ServerUnderTest server(settings);
  server.gate().close();
  std::optional<httplib::Result> abandoned;
  std::thread visitor([&] { abandoned.emplace(sign_up(server, "Bob", "bob@example.com")); });
  ASSERT_TRUE(server.gate().wait_for_arrival(kWaitLimit));
  server.stop();  // returns with the sign-up still held at the gate
  visitor.join();
  EXPECT_FALSE(*abandoned) << "answered after all";
  const auto log = server.log_lines();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("abandoned 1 connection"), std::string::npos) << log[0];
}

// Five sign-ups a minute per client; behind a trusted proxy the client is
// the one it names.
TEST(SignupFlow, SignUpsBeyondTheRateOfOneClientAreRefusedToSorry) {
  ServerSettings settings;
  settings.trusted_proxies = {*parse_address_block("127.0.0.1")};
  ServerUnderTest server(settings);
  auto client = server.client();
  const auto post = [&](const std::string& forwarded_for, int n) {
    const httplib::Headers headers = {{"X-Forwarded-For", forwarded_for}};
    const auto res = client.Post(
        kForm, headers, "name=Ann&email=ann" + std::to_string(n) + "%40example.com",
        "application/x-www-form-urlencoded");
    return res ? res->get_header_value("Location") : "no answer";
  };
  for (std::size_t n = 0; n < kMaxSignupsPerWindow; ++n) {
    EXPECT_EQ(post("198.51.100.7", static_cast<int>(n)), "/thankyou.html") << n;
  }
  EXPECT_EQ(post("198.51.100.7", 100), "/sorry.html");
  EXPECT_EQ(post("198.51.100.8", 101), "/thankyou.html");
  EXPECT_EQ(ReadSignups(server.db_path()).size(), kMaxSignupsPerWindow + 1);
  const auto log = server.log_lines();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("refused a sign-up from 198.51.100.7"), std::string::npos) << log[0];
}

}  // namespace
}  // namespace brevolt::signup::test
