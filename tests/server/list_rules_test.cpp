// The mailing list's small rules, each once: retry delays, tokens, and the
// export's quoting.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "server/constants.h"
#include "server/export_format.h"
#include "server/mail/retry_schedule.h"
#include "server/token.h"

namespace brevolt::signup::test {
namespace {

using std::chrono::seconds;

TEST(RetrySchedule, DoublesFromTheFirstDelayUpToTheCapOfItsPeriod) {
  struct Case {
    int attempts;
    seconds age;
    std::optional<seconds> delay;
  };
  const Case cases[] = {
      {1, seconds{0}, kFirstRetryDelay},
      {2, seconds{1}, kFirstRetryDelay * 2},
      {4, seconds{10}, kFirstRetryDelay * 8},
      {30, seconds{600}, kRetryCapFirstHour},  // never more than a minute apart in the first hour
      {30, kEagerRetryPeriod, kRetryCapLater},
      {3, kEagerRetryPeriod + seconds{1}, kFirstRetryDelay * 4},
      {5, kConfirmationLifetime, std::nullopt},  // its link has expired
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.attempts << " attempts, age " << c.age.count());
    EXPECT_EQ(retry_delay(c.attempts, c.age), c.delay);
  }
}

TEST(Token, IsRandomBase64UrlOfThirtyTwoBytesStoredAsItsSha256) {
  std::set<std::string> seen;
  for (int i = 0; i < 4; ++i) {
    const auto token = new_token();
    EXPECT_EQ(token.text.size(), (kTokenBytes * 4 + 2) / 3);  // unpadded base64
    EXPECT_EQ(token.text.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
              std::string::npos)
        << token.text;
    EXPECT_EQ(token.hash, token_hash(token.text));
    seen.insert(token.text);
  }
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(token_hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(ExportFormat, CsvCellsAreQuotedAsRfc4180AndNeverRunAsFormulas) {
  const std::pair<std::string, std::string> cases[] = {
      {"ann@example.com", "ann@example.com"},
      {"", ""},
      {"Ann, Jr.", "\"Ann, Jr.\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
      {"+1", "'+1"},
      {"-2+3", "'-2+3"},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"\tcmd", "'\tcmd"},
      {"a=b", "a=b"},
  };
  for (const auto& [text, cell] : cases) EXPECT_EQ(csv_cell(text), cell) << text;
}

TEST(ExportFormat, WritesHeaderAndRowsAsCsvAndTheSameKeysAsJson) {
  PersonRecord pending{"ann@example.com", "Ann \"A\"",  "pending",  "2026-01-01T00:00:00.000Z",
                       std::nullopt,      std::nullopt, "192.0.2.1"};
  PersonRecord gone{"bob@example.com", std::nullopt, "unsubscribed",
                    std::nullopt,      std::nullopt, "2026-01-02T00:00:00.000Z",
                    std::nullopt};
  std::ostringstream csv;
  ExportWriter csv_writer(csv, ExportFormat::Csv);
  csv_writer.write(pending);
  csv_writer.write(gone);
  csv_writer.finish();
  EXPECT_EQ(csv.str(),
            "email,name,status,signed_up_at,confirmed_at,unsubscribed_at,consent_address\r\n"
            "ann@example.com,\"Ann \"\"A\"\"\",pending,2026-01-01T00:00:00.000Z,,,192.0.2.1\r\n"
            "bob@example.com,,unsubscribed,,,2026-01-02T00:00:00.000Z,\r\n");

  std::ostringstream json;
  ExportWriter json_writer(json, ExportFormat::Json);
  pending.name = "Ann \"A\"\n\x01";
  json_writer.write(pending);
  json_writer.finish();
  EXPECT_EQ(json.str(),
            "[\n{\"email\":\"ann@example.com\",\"name\":\"Ann \\\"A\\\"\\u000a\\u0001\","
            "\"status\":\"pending\",\"signed_up_at\":\"2026-01-01T00:00:00.000Z\","
            "\"confirmed_at\":null,\"unsubscribed_at\":null,\"consent_address\":\"192.0.2.1\"}"
            "\n]\n");

  std::ostringstream empty;
  ExportWriter(empty, ExportFormat::Json).finish();
  EXPECT_EQ(empty.str(), "[]\n");
}

}  // namespace
}  // namespace brevolt::signup::test
