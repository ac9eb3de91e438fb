#include "server/store/daily_counts.h"

#include <cstdio>
#include <map>

namespace brevolt::signup {

std::string_view column_name(DailyColumn column) {
  switch (column) {
    case DailyColumn::Views: return "views";
    case DailyColumn::Signups: return "signups";
    case DailyColumn::Confirmed: return "confirmed";
    case DailyColumn::Unsubscribed: return "unsubscribed";
  }
  return "views";
}

std::vector<std::string> last_days(int days) {
  using namespace std::chrono;
  const auto today = floor<std::chrono::days>(system_clock::now());
  std::vector<std::string> out;
  for (int back = days - 1; back >= 0; --back) {
    const year_month_day date{today - std::chrono::days(back)};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    out.emplace_back(text);
  }
  return out;
}

std::vector<DayCounts> with_zero_days(const std::vector<std::string>& days,
                                      const std::vector<DayCounts>& stored) {
  std::map<std::string, DayCounts> by_day;
  for (const auto& row : stored) by_day[row.day] = row;
  std::vector<DayCounts> rows;
  for (const auto& day : days) {
    const auto found = by_day.find(day);
    if (found != by_day.end()) {
      rows.push_back(found->second);
    } else {
      rows.push_back(DayCounts{day});
    }
  }
  return rows;
}

DayCounts total_of(const std::vector<DayCounts>& rows) {
  DayCounts total;
  for (const auto& row : rows) {
    total.views += row.views;
    total.signups += row.signups;
    total.confirmed += row.confirmed;
    total.unsubscribed += row.unsubscribed;
  }
  return total;
}

std::optional<double> share(std::int64_t part, std::int64_t whole) {
  if (whole == 0) return std::nullopt;
  return static_cast<double>(part) / static_cast<double>(whole);
}

std::string percent_text(std::int64_t part, std::int64_t whole, std::string_view none) {
  const auto ratio = share(part, whole);
  if (!ratio) return std::string(none);
  char text[16];
  std::snprintf(text, sizeof text, "%.1f%%", *ratio * 100.0);
  return text;
}

}  // namespace brevolt::signup
