#pragma once
// How many connections are open, per client address and in all, so that no
// one address (and no crowd) can take every socket the server has.
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>

namespace brevolt::signup {

class ConnectionLimits {
 public:
  // One open connection; its place is given back when the ticket goes.
  class Ticket {
   public:
    Ticket(Ticket&& other) noexcept;
    Ticket& operator=(Ticket&&) = delete;
    Ticket(const Ticket&) = delete;
    ~Ticket();

   private:
    friend class ConnectionLimits;
    Ticket(ConnectionLimits& limits, std::optional<std::string> address);
    ConnectionLimits* limits_;
    std::optional<std::string> address_;  // nothing: counted in the total only
  };

  ConnectionLimits(std::size_t per_address, std::size_t total);

  // Nothing when `address` (or everyone) already has all it may have.
  std::optional<Ticket> admit(const std::string& address);
  // Counted in the total only (a trusted proxy speaks for many clients).
  std::optional<Ticket> admit_any();
  bool full() const { return open_ >= total_; }

 private:
  void release(const std::optional<std::string>& address);

  std::size_t per_address_;
  std::size_t total_;
  std::size_t open_ = 0;
  std::unordered_map<std::string, std::size_t> open_by_address_;
};

}  // namespace brevolt::signup
