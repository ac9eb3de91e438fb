#include "server/mail/mail_budget.h"

#include "server/mail/outbox.h"

#include <algorithm>
#include <charconv>

namespace brevolt::signup {
namespace {

constexpr std::pair<std::string_view, std::chrono::seconds> kPeriods[] = {
    {"s", std::chrono::seconds{1}},
    {"min", std::chrono::minutes{1}},
    {"h", std::chrono::hours{1}},
};

}  // namespace

std::optional<BudgetLimit> parse_budget(std::string_view text) {
  const auto slash = text.find('/');
  if (slash == std::string_view::npos || slash == 0) return std::nullopt;
  std::size_t count = 0;
  const auto* end = text.data() + slash;
  const auto [ptr, ec] = std::from_chars(text.data(), end, count);
  if (ec != std::errc{} || ptr != end || count == 0) return std::nullopt;
  const auto unit = text.substr(slash + 1);
  for (const auto& [name, period] : kPeriods) {
    if (unit == name) return BudgetLimit{count, period};
  }
  return std::nullopt;
}

std::string budget_text(const BudgetLimit& limit) {
  for (const auto& [name, period] : kPeriods) {
    if (limit.period == period) return std::to_string(limit.count) + "/" + std::string(name);
  }
  return std::to_string(limit.count) + "/" + std::to_string(limit.period.count()) + "s";
}

std::string recipient_domain(std::string_view address) {
  std::string domain(address.substr(address.rfind('@') + 1));
  std::transform(domain.begin(), domain.end(), domain.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return domain;
}

std::string held_domain_lines(const HeldDomains& held) {
  std::string lines = "\n";
  for (const auto& domain : held) lines += domain + "\n";
  return lines;
}

MailBudget::MailBudget(BudgetLimit total, BudgetLimit per_domain, Clock clock)
    : total_(total), per_domain_(per_domain), clock_(std::move(clock)) {}

void MailBudget::forget_old(Time now) {
  const auto forget = [now](std::deque<Time>& times, std::chrono::seconds period) {
    while (!times.empty() && times.front() + period <= now) times.pop_front();
  };
  forget(sent_, total_.period);
  for (auto it = sent_to_.begin(); it != sent_to_.end();) {
    forget(it->second, per_domain_.period);
    it = it->second.empty() ? sent_to_.erase(it) : std::next(it);
  }
}

bool MailBudget::total_spent() {
  forget_old(clock_());
  return sent_.size() >= total_.count;
}

HeldDomains MailBudget::held() {
  forget_old(clock_());
  HeldDomains held;
  for (const auto& [domain, times] : sent_to_) {
    if (times.size() >= per_domain_.count) held.insert(domain);
  }
  return held;
}

void MailBudget::spend(const std::string& domain) {
  const auto now = clock_();
  sent_.push_back(now);
  sent_to_[domain].push_back(now);
}

std::optional<std::chrono::milliseconds> MailBudget::next_room() {
  const auto now = clock_();
  forget_old(now);
  std::optional<Time> room;
  const auto consider = [&](const std::deque<Time>& times, const BudgetLimit& limit) {
    if (times.size() < limit.count) return;
    // Room comes when the oldest mail that fills the window leaves it.
    const auto at = times[times.size() - limit.count] + limit.period;
    room = room ? std::min(*room, at) : at;
  };
  consider(sent_, total_);
  for (const auto& entry : sent_to_) consider(entry.second, per_domain_);
  if (!room) return std::nullopt;
  return std::chrono::ceil<std::chrono::milliseconds>(std::max(*room - now, Time::duration{0}));
}

bool MailBudget::time_to_tell(const std::string& domain) {
  const auto told = told_.find(domain);
  const auto& period = domain.empty() ? total_.period : per_domain_.period;
  return told == told_.end() || told->second + period <= clock_();
}

void MailBudget::told(const std::string& domain) {
  const auto now = clock_();
  // What was told a period ago need not be remembered.
  for (auto it = told_.begin(); it != told_.end();) {
    it = it->second + std::max(total_.period, per_domain_.period) <= now ? told_.erase(it)
                                                                        : std::next(it);
  }
  told_[domain] = now;
}

}  // namespace brevolt::signup
