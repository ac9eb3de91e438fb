#pragma once
// How many confirmation mails may go in any window of a period, in all and
// to each recipient domain. Mail over budget is held, never dropped: the
// outbox keeps it in order until the window has room again.
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace brevolt::signup {

struct BudgetLimit {
  std::size_t count = 0;
  std::chrono::seconds period{0};
  friend bool operator==(const BudgetLimit&, const BudgetLimit&) = default;
};

// "N/s", "N/min" or "N/h", N at least 1.
std::optional<BudgetLimit> parse_budget(std::string_view text);
// As it is written on the command line.
std::string budget_text(const BudgetLimit& limit);

// Lower-cased domains (see recipient_domain).
using HeldDomains = std::set<std::string>;

// The part after the '@', ASCII letters lower-cased as the stores compare
// them.
std::string recipient_domain(std::string_view address);

class MailBudget {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  MailBudget(BudgetLimit total, BudgetLimit per_domain,
             Clock clock = std::chrono::steady_clock::now);

  // Whether no mail at all may go now.
  bool total_spent();
  // The domains no mail may go to now.
  HeldDomains held();
  // A mail to `domain` goes now.
  void spend(const std::string& domain);
  // How long until the total, or any domain held now, has room again;
  // nothing while nothing is held.
  std::optional<std::chrono::milliseconds> next_room();
  // Whether a domain's held mail ("" for the total's) went untold for a
  // period; told() marks it told now.
  bool time_to_tell(const std::string& domain);
  void told(const std::string& domain);

  const BudgetLimit& total() const { return total_; }
  const BudgetLimit& per_domain() const { return per_domain_; }

 private:
  using Time = std::chrono::steady_clock::time_point;
  void forget_old(Time now);

  BudgetLimit total_;
  BudgetLimit per_domain_;
  Clock clock_;
  // When each mail of the window went, oldest first.
  std::deque<Time> sent_;
  std::map<std::string, std::deque<Time>> sent_to_;
  std::map<std::string, Time> told_;
};

}  // namespace brevolt::signup
