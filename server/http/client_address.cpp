#include "server/http/client_address.h"

#include <boost/asio/ip/address.hpp>
#include <charconv>
#include <vector>

#include "server/constants.h"

namespace brevolt::signup {
namespace {

namespace ip = boost::asio::ip;

constexpr unsigned kBits = 128;
constexpr unsigned kIpv4InIpv6 = 96;

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool is_ipv4(const IpAddress& address) {
  return ip::make_address_v6(address).is_v4_mapped();
}

// An X-Forwarded-For entry may carry a port: "a.b.c.d:port", "[v6]:port".
std::optional<IpAddress> parse_forwarded(std::string_view entry) {
  if (entry.starts_with('[')) {
    const auto close = entry.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return parse_ip_address(entry.substr(1, close - 1));
  }
  if (const auto colon = entry.find(':');
      colon != std::string_view::npos && entry.find(':', colon + 1) == std::string_view::npos) {
    entry = entry.substr(0, colon);
  }
  return parse_ip_address(entry);
}

IpAddress masked(IpAddress address, unsigned prefix) {
  for (unsigned bit = prefix; bit < kBits; ++bit) {
    address[bit / 8] = static_cast<unsigned char>(address[bit / 8] & ~(0x80u >> (bit % 8)));
  }
  return address;
}

}  // namespace

bool AddressBlock::contains(const IpAddress& address) const {
  return masked(address, prefix) == network;
}

std::optional<IpAddress> parse_ip_address(std::string_view text) {
  boost::system::error_code error;
  const auto address = ip::make_address(std::string(text), error);
  if (error) return std::nullopt;
  if (address.is_v4()) {
    return ip::make_address_v6(ip::v4_mapped, address.to_v4()).to_bytes();
  }
  // A scope ("%eth0") names an interface, not a client.
  if (address.to_v6().scope_id() != 0) return std::nullopt;
  return address.to_v6().to_bytes();
}

std::optional<AddressBlock> parse_address_block(std::string_view text) {
  const auto slash = text.find('/');
  const auto address = parse_ip_address(text.substr(0, slash));
  if (!address) return std::nullopt;
  const unsigned offset = is_ipv4(*address) ? kIpv4InIpv6 : 0;
  unsigned prefix = kBits - offset;
  if (slash != std::string_view::npos) {
    const auto digits = text.substr(slash + 1);
    const auto* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, prefix);
    if (digits.empty() || ec != std::errc{} || ptr != end || prefix > kBits - offset) {
      return std::nullopt;
    }
  }
  return AddressBlock{masked(*address, prefix + offset), prefix + offset};
}

std::string to_string(const IpAddress& address) {
  const auto v6 = ip::make_address_v6(address);
  if (v6.is_v4_mapped()) return ip::make_address_v4(ip::v4_mapped, v6).to_string();
  return v6.to_string();
}

bool is_trusted(const IpAddress& address, std::span<const AddressBlock> trusted) {
  for (const auto& block : trusted) {
    if (block.contains(address)) return true;
  }
  return false;
}

IpAddress client_address(const IpAddress& peer, std::string_view forwarded_for,
                         std::span<const AddressBlock> trusted) {
  IpAddress client = peer;
  if (!is_trusted(client, trusted)) return client;
  std::vector<std::string_view> entries;
  for (std::size_t start = 0; start <= forwarded_for.size();) {
    const auto comma = std::min(forwarded_for.find(',', start), forwarded_for.size());
    entries.push_back(trim(forwarded_for.substr(start, comma - start)));
    start = comma + 1;
  }
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (entry->empty() && forwarded_for.empty()) break;
    const auto hop = parse_forwarded(*entry);
    if (!hop) break;
    client = *hop;
    if (!is_trusted(client, trusted)) break;
  }
  return client;
}

std::string limit_key(const IpAddress& address) {
  if (is_ipv4(address)) return to_string(address);
  return to_string(masked(address, kIpv6ClientPrefix)) + "/" + std::to_string(kIpv6ClientPrefix);
}

}  // namespace brevolt::signup
