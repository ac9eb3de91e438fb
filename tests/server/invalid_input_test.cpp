#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

constexpr const char* kForm = "/posttobrevolt2.asp";
constexpr std::size_t kMaxBody = 16 * 1024;

// Companion values that are valid but full of HTML: whatever the field under
// test, the other one must come back escaped.
constexpr const char* kHtmlName = R"(Ann <script>alert("x")</script> & Co)";
constexpr const char* kHtmlNameShown =
    "Ann &lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; Co";
constexpr const char* kQuotedEmail = R"(o'neil+"tag"@example.com)";
constexpr const char* kQuotedEmailShown = "o&#39;neil+&quot;tag&quot;@example.com";

struct InvalidCase {
  const char* label;
  std::string name;
  std::string email;
  const char* field;  // the one whose reason is shown
  const char* reason;
  std::string name_shown;
  std::string email_shown;
};

std::vector<InvalidCase> invalid_cases() {
  const std::string long_name(201, 'n');
  const std::string long_email = std::string(255 - 12, 'a') + "@example.com";
  return {
      {"empty name", "", kQuotedEmail, "name", "Please enter your name.", "", kQuotedEmailShown},
      {"blank name", " \t  ", kQuotedEmail, "name", "Please enter your name.", " \t  ",
       kQuotedEmailShown},
      {"201-char name", long_name, kQuotedEmail, "name",
       "Please keep your name to 200 characters or fewer.", long_name, kQuotedEmailShown},
      {"no @", kHtmlName, "ann.example.com", "email", "exactly one @", kHtmlNameShown,
       "ann.example.com"},
      {"two @", kHtmlName, "ann@x@example.com", "email", "exactly one @", kHtmlNameShown,
       "ann@x@example.com"},
      {"empty local part", kHtmlName, "@example.com", "email", "part before the @",
       kHtmlNameShown, "@example.com"},
      {"no dot in domain", kHtmlName, "ann@localhost", "email", "part after the @",
       kHtmlNameShown, "ann@localhost"},
      {"dot at end", kHtmlName, "ann@example.com.", "email", "part after the @", kHtmlNameShown,
       "ann@example.com."},
      {"dot first in domain", kHtmlName, "ann@.example.com", "email", "part after the @",
       kHtmlNameShown, "ann@.example.com"},
      {"space in e-mail", kHtmlName, "ann <b>@example.com", "email", "cannot contain spaces",
       kHtmlNameShown, "ann &lt;b&gt;@example.com"},
      {"255-char e-mail", kHtmlName, long_email, "email", "at most 254 characters",
       kHtmlNameShown, long_email},
      {"empty e-mail", kHtmlName, "", "email", "Please enter your e-mail address.",
       kHtmlNameShown, ""},
  };
}

TEST(InvalidInput, ReshowsFormWithReasonAndEscapedValuesAndStoresNothing) {
  ServerUnderTest server;
  for (const auto& c : invalid_cases()) {
    SCOPED_TRACE(c.label);
    auto client = server.client();
    const auto res = client.Post(kForm, httplib::Params{{"name", c.name}, {"email", c.email}});
    ASSERT_TRUE(res);
    // Shown at the submission's own address: no redirect, so no marker.
    EXPECT_EQ(res->status, 200);
    EXPECT_FALSE(res->has_header("Location"));
    const auto& body = res->body;
    const std::string field = c.field;
    EXPECT_NE(body.find("id=\"" + field + "-error\">"), std::string::npos);
    const auto reason_at = body.find(c.reason);
    ASSERT_NE(reason_at, std::string::npos);
    // The reason sits in the error slot of its own field.
    EXPECT_LT(body.rfind("id=\"" + field + "-error\">", reason_at), reason_at);
    EXPECT_GT(body.rfind("id=\"" + field + "-error\">", reason_at),
              body.find("id=\"" + field + "\""));
    EXPECT_NE(body.find("name=\"name\" autocomplete=\"name\" value=\"" + c.name_shown + "\""),
              std::string::npos);
    EXPECT_NE(body.find("name=\"email\" autocomplete=\"email\" value=\"" + c.email_shown + "\""),
              std::string::npos);
    EXPECT_EQ(body.find("<script>"), std::string::npos);
    EXPECT_EQ(body.find("<b>"), std::string::npos);
  }
  EXPECT_TRUE(ReadSignups(server.db_path()).empty());
}

TEST(InvalidInput, BytesThatAreNotUtf8AreRefusedAndShownReplaced) {
  ServerUnderTest server;
  const auto res = server.client().Post(kForm, "name=%FF%FEbad&email=a%40b.co",
                                        "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_NE(res->body.find("cannot be read"), std::string::npos);
  EXPECT_EQ(res->body.find("\xFF"), std::string::npos);
  EXPECT_TRUE(ReadSignups(server.db_path()).empty());
}

std::string padded_body(std::size_t size) {
  std::string body = "name=Ann&email=ann%40example.com&pad=";
  body.resize(size, 'x');
  return body;
}

TEST(BodyLimit, LargestBodyIsServedAndOneByteMoreIsRefusedWith413) {
  ServerUnderTest server;
  auto client = server.client();
  const auto over = client.Post(kForm, padded_body(kMaxBody + 1), "application/x-www-form-urlencoded");
  ASSERT_TRUE(over);
  EXPECT_EQ(over->status, 413);
  EXPECT_EQ(over->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_TRUE(ReadSignups(server.db_path()).empty());

  const auto at_limit =
      server.client().Post(kForm, padded_body(kMaxBody), "application/x-www-form-urlencoded");
  ASSERT_TRUE(at_limit);
  EXPECT_EQ(at_limit->status, 303);
  EXPECT_EQ(ReadSignups(server.db_path()).size(), 1u);
}

// A chunked body declares no length, so it must be counted as it arrives.
TEST(BodyLimit, OversizedChunkedBodyIsRefusedWith413) {
  ServerUnderTest server;
  const int sock = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(server.port()));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  timeval timeout{5, 0};
  setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

  std::string request =
      "POST /posttobrevolt2.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
      "Content-Type: application/x-www-form-urlencoded\r\n"
      "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
  const std::string body = padded_body(kMaxBody + 4096);
  constexpr std::size_t kChunk = 4096;
  for (std::size_t at = 0; at < body.size(); at += kChunk) {
    const auto piece = body.substr(at, kChunk);
    char size_line[32];
    std::snprintf(size_line, sizeof size_line, "%zx\r\n", piece.size());
    request += size_line + piece + "\r\n";
  }
  request += "0\r\n\r\n";
  send(sock, request.data(), request.size(), MSG_NOSIGNAL);

  std::string reply;
  char buffer[4096];
  ssize_t n;
  while ((n = recv(sock, buffer, sizeof buffer, 0)) > 0) {
    reply.append(buffer, static_cast<std::size_t>(n));
    if (reply.find("\r\n") != std::string::npos) break;
  }
  close(sock);
  EXPECT_EQ(reply.substr(0, reply.find("\r\n")), "HTTP/1.1 413 Payload Too Large");
  EXPECT_TRUE(ReadSignups(server.db_path()).empty());
}

}  // namespace
}  // namespace brevolt::signup::test
