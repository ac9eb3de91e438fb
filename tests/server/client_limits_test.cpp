// Who a request is counted against, and how many sign-ups that client gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/http/client_address.h"
#include "server/http/signup_rate_limit.h"

namespace brevolt::signup::test {
namespace {

IpAddress ip(const std::string& text) {
  const auto address = parse_ip_address(text);
  if (!address) throw std::invalid_argument(text);
  return *address;
}

struct ClientCase {
  const char* label;
  const char* peer;
  const char* forwarded_for;
  const char* key;  // what the limits count under
};

TEST(ClientAddress, IsTheNearestAddressNoTrustedProxyVouchesFor) {
  const std::vector<AddressBlock> trusted = {*parse_address_block("10.0.0.1"),
                                             *parse_address_block("fd00:1::/32"),
                                             *parse_address_block("192.168.0.0/16")};
  const ClientCase cases[] = {
      {"untrusted peer: header ignored", "203.0.113.9", "198.51.100.1", "203.0.113.9"},
      {"trusted peer, no header", "10.0.0.1", "", "10.0.0.1"},
      {"trusted peer names the client", "10.0.0.1", "198.51.100.1", "198.51.100.1"},
      {"a client cannot prepend a name", "10.0.0.1", "1.2.3.4, 198.51.100.1", "198.51.100.1"},
      {"chain of trusted proxies", "10.0.0.1", "198.51.100.1, 192.168.4.4", "198.51.100.1"},
      {"several header lines joined", "10.0.0.1", "1.2.3.4,198.51.100.1,192.168.4.4",
       "198.51.100.1"},
      {"ports and brackets", "10.0.0.1", "[2001:db8::1]:443, 192.168.4.4:80", "2001:db8::/64"},
      {"garbage stops at the proxy that passed it", "10.0.0.1", "198.51.100.1, junk",
       "10.0.0.1"},
      {"everyone trusted: the farthest", "10.0.0.1", "192.168.1.1, 192.168.2.2", "192.168.1.1"},
      {"trusted IPv6 block", "fd00:1:2::5", "2001:db8:1:2:3::9", "2001:db8:1:2::/64"},
      {"one /64 is one client", "2001:db8:aa:bb:1:2:3:4", "", "2001:db8:aa:bb::/64"},
      {"outside the trusted prefix", "10.0.0.2", "198.51.100.1", "10.0.0.2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(limit_key(client_address(ip(c.peer), c.forwarded_for, trusted)), c.key);
  }
}

TEST(ClientAddress, ProxyBlocksAreReadStrictly) {
  for (const char* bad : {"10.0.0.0/33", "::/129", "10.0.0.0/", "10.0.0.0/x", "host", ""}) {
    EXPECT_FALSE(parse_address_block(bad)) << bad;
  }
  const auto block = parse_address_block("10.1.2.3/8");
  ASSERT_TRUE(block);
  EXPECT_TRUE(block->contains(ip("10.255.0.1")));
  EXPECT_FALSE(block->contains(ip("11.0.0.1")));
}

TEST(SignupRateLimit, AllowsTheMostPerWindowForEachClientAlone) {
  using namespace std::chrono_literals;
  SignupRateLimit limit(3, 60s);
  const SignupRateLimit::Clock::time_point start{};
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(limit.allow("a", start + i * 1s)) << i;
  EXPECT_FALSE(limit.allow("a", start + 10s));
  EXPECT_TRUE(limit.allow("b", start + 10s)) << "another client counts apart";
  // Refusals are not counted: the window slides past the first sign-up only.
  EXPECT_FALSE(limit.allow("a", start + 59s));
  EXPECT_TRUE(limit.allow("a", start + 60s));
  EXPECT_FALSE(limit.allow("a", start + 60s));
}

}  // namespace
}  // namespace brevolt::signup::test
