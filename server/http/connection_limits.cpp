#include "server/http/connection_limits.h"

#include <utility>

namespace brevolt::signup {

ConnectionLimits::Ticket::Ticket(ConnectionLimits& limits, std::optional<std::string> address)
    : limits_(&limits), address_(std::move(address)) {}

ConnectionLimits::Ticket::Ticket(Ticket&& other) noexcept
    : limits_(std::exchange(other.limits_, nullptr)), address_(std::move(other.address_)) {}

ConnectionLimits::Ticket::~Ticket() {
  if (limits_) limits_->release(address_);
}

ConnectionLimits::ConnectionLimits(std::size_t per_address, std::size_t total)
    : per_address_(per_address), total_(total) {}

std::optional<ConnectionLimits::Ticket> ConnectionLimits::admit(const std::string& address) {
  auto& count = open_by_address_[address];
  if (full() || count >= per_address_) {
    if (count == 0) open_by_address_.erase(address);
    return std::nullopt;
  }
  ++count;
  ++open_;
  return Ticket(*this, address);
}

std::optional<ConnectionLimits::Ticket> ConnectionLimits::admit_any() {
  if (full()) return std::nullopt;
  ++open_;
  return Ticket(*this, std::nullopt);
}

void ConnectionLimits::release(const std::optional<std::string>& address) {
  --open_;
  if (!address) return;
  const auto it = open_by_address_.find(*address);
  if (--it->second == 0) open_by_address_.erase(it);
}

}  // namespace brevolt::signup
