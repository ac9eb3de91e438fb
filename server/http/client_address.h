#pragma once
// Who a request comes from: the connection's peer, or behind a trusted
// proxy the nearest address the proxies vouch for; and the key the
// per-client limits count under.
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brevolt::signup {

// Sixteen bytes; an IPv4 address is held as ::ffff:a.b.c.d.
using IpAddress = std::array<unsigned char, 16>;

// ADDR or ADDR/PREFIX, IPv4 or IPv6.
struct AddressBlock {
  IpAddress network{};
  unsigned prefix = 0;  // in bits of the sixteen bytes (IPv4 prefixes + 96)
  bool contains(const IpAddress& address) const;
};

std::optional<IpAddress> parse_ip_address(std::string_view text);
std::optional<AddressBlock> parse_address_block(std::string_view text);
std::string to_string(const IpAddress& address);

// The client of a request that reached us from `peer`. Only when the peer
// is trusted is `forwarded_for` (X-Forwarded-For, every header joined by
// commas) read: from its right end, the first address that is not a
// trusted proxy itself. An unreadable entry ends the search at the proxy
// that passed it on.
IpAddress client_address(const IpAddress& peer, std::string_view forwarded_for,
                         std::span<const AddressBlock> trusted);

bool is_trusted(const IpAddress& address, std::span<const AddressBlock> trusted);

// What the per-client limits count under: the IPv4 address, or the IPv6
// network of kIpv6ClientPrefix bits, which one subscriber holds whole.
std::string limit_key(const IpAddress& address);

}  // namespace brevolt::signup
