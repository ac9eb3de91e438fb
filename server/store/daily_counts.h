#pragma once
// The maker's figures per UTC day, as each store keeps them in a table of
// its own: counts only, shared by every instance on one database.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevolt::signup {

struct DayCounts {
  std::string day;  // YYYY-MM-DD, UTC
  std::int64_t views = 0;
  std::int64_t signups = 0;
  std::int64_t confirmed = 0;
  std::int64_t unsubscribed = 0;
  friend bool operator==(const DayCounts&, const DayCounts&) = default;
};

struct OutboxSummary {
  std::int64_t waiting = 0;
  // Age of the mail that has waited longest; nothing when none waits.
  std::optional<std::chrono::seconds> oldest;
};

// The counts a store keeps per day, by their columns' names.
enum class DailyColumn { Views, Signups, Confirmed, Unsubscribed };
std::string_view column_name(DailyColumn column);

// The `days` days ending today (UTC), oldest first.
std::vector<std::string> last_days(int days);

// One row per day of `days`, in that order: the stored row where there is
// one, zeros where nothing happened.
std::vector<DayCounts> with_zero_days(const std::vector<std::string>& days,
                                      const std::vector<DayCounts>& stored);

// The rows added up; its day is empty.
DayCounts total_of(const std::vector<DayCounts>& rows);

// part / whole, or nothing when whole is 0.
std::optional<double> share(std::int64_t part, std::int64_t whole);
// The same as "12.5%", or `none` when there is nothing to divide by.
std::string percent_text(std::int64_t part, std::int64_t whole, std::string_view none);

}  // namespace brevolt::signup
