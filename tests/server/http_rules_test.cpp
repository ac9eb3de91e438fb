// How requests must be framed and addressed, over raw connections: what no
// HTTP library would send.
#include <gtest/gtest.h>

#include <string>

#include "server/constants.h"
#include "tests/server/raw_connection.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

constexpr const char* kSmuggled = "GET /thankyou.html HTTP/1.1\r\nHost: a\r\n\r\n";

std::string post_with(const std::string& framing) {
  return "POST /posttobrevolt2.asp HTTP/1.1\r\nHost: a\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n" +
         framing + "\r\n" + std::string(kSmuggled);
}

// Framing that never ends, a little more than a connection may buffer: the
// refusal must come once that much has arrived, not at the deadline.
std::string flood(const std::string& start) {
  return "POST /posttobrevolt2.asp HTTP/1.1\r\nHost: a\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n"
         "Transfer-Encoding: chunked\r\n\r\n" +
         start + std::string(kMaxBufferedBytes + kMaxHeaderBytes, 'a');
}

struct RuleCase {
  const char* label;
  std::string request;
  const char* status_line;
  const char* allow;  // "" when the answer has no Allow
};

TEST(HttpRules, RequestsAreFramedAndAddressedOneWayOnly) {
  ServerUnderTest server;
  const RuleCase cases[] = {
      // A body the server would not read as the proxy in front does, and
      // whatever follows it, never reaches the routes.
      {"gzip coding", post_with("Transfer-Encoding: gzip\r\n"), "HTTP/1.1 400 Bad Request", ""},
      {"chunked then gzip", post_with("Transfer-Encoding: chunked, gzip\r\n"),
       "HTTP/1.1 400 Bad Request", ""},
      {"identity", post_with("Transfer-Encoding: identity\r\n"), "HTTP/1.1 400 Bad Request", ""},
      {"chunked and a length",
       post_with("Transfer-Encoding: chunked\r\nContent-Length: 3\r\n"),
       "HTTP/1.1 400 Bad Request", ""},
      {"chunked twice", post_with("Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n"),
       "HTTP/1.1 400 Bad Request", ""},
      {"HTTP/1.1 without Host", "GET /posttobrevolt2.asp HTTP/1.1\r\n\r\n",
       "HTTP/1.1 400 Bad Request", ""},
      {"two Hosts", "GET /posttobrevolt2.asp HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n",
       "HTTP/1.1 400 Bad Request", ""},
      {"HTTP/1.0 may leave Host out", "GET /posttobrevolt2.asp HTTP/1.0\r\n\r\n",
       "HTTP/1.0 200 OK", ""},
      {"wrong method on the form", "PUT /posttobrevolt2.asp HTTP/1.1\r\nHost: a\r\n"
                                   "Connection: close\r\nContent-Length: 0\r\n\r\n",
       "HTTP/1.1 405 Method Not Allowed", "GET, HEAD, POST"},
      {"wrong method on a page", "DELETE /thankyou.html HTTP/1.1\r\nHost: a\r\n"
                                 "Connection: close\r\n\r\n",
       "HTTP/1.1 405 Method Not Allowed", "GET, HEAD"},
      {"health for a monitor", "GET /healthz HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n",
       "HTTP/1.1 200 OK", ""},
      {"chunk extension without end", flood("1;"), "HTTP/1.1 400 Bad Request", ""},
      {"trailer without end", flood("1\r\nx\r\n0\r\nX-Pad: "), "HTTP/1.1 400 Bad Request", ""},
      {"HEAD refused before its body", "HEAD /posttobrevolt2.asp HTTP/1.1\r\nHost: a\r\n"
                                       "Transfer-Encoding: gzip\r\n\r\n",
       "HTTP/1.1 400 Bad Request", ""},
      {"health is only read", "POST /healthz HTTP/1.1\r\nHost: a\r\nConnection: close\r\n"
                              "Content-Length: 0\r\n\r\n",
       "HTTP/1.1 405 Method Not Allowed", "GET, HEAD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Connection connection(2, server.port());
    ASSERT_TRUE(connection.send_text(c.request));
    // Read to the server's close: one answer, never a second.
    const auto reply = connection.read_all();
    EXPECT_EQ(reply.substr(0, reply.find("\r\n")), c.status_line);
    EXPECT_EQ(reply.find("HTTP/1.", 1), std::string::npos) << reply;
    EXPECT_NE(reply.find("\r\nDate: "), std::string::npos);
    if (c.request.starts_with("HEAD ")) {
      EXPECT_TRUE(reply.ends_with("\r\n\r\n")) << reply;
    }
    const auto allow = reply.find("\r\nAllow: ");
    EXPECT_EQ(allow == std::string::npos ? "" : reply.substr(allow + 9, reply.find("\r\n", allow + 2) - allow - 9),
              c.allow);
  }
  EXPECT_TRUE(ReadSignups(server.db_path()).empty());
}

}  // namespace
}  // namespace brevolt::signup::test
