#include "server/admin/stats_command.h"

#include <cstdio>
#include <string>

#include "server/constants.h"
#include "server/list_commands.h"
#include "server/store/signup_store.h"

namespace brevolt::signup {
namespace {

constexpr int kFailed = 1;
constexpr std::string_view kColumns[] = {"day", "views", "signups", "confirmed", "unsubscribed"};

std::string ratio_text(std::int64_t part, std::int64_t whole, std::string_view none) {
  const auto ratio = share(part, whole);
  if (!ratio) return std::string(none);
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", *ratio);
  return text;
}

void write_csv(std::ostream& out, const std::vector<DayCounts>& rows, const DayCounts& total) {
  std::string header;
  for (const auto column : kColumns) header += (header.empty() ? "" : ",") + std::string(column);
  out << header << "\r\n";
  const auto line = [&](const std::string& label, const DayCounts& r) {
    out << label << ',' << r.views << ',' << r.signups << ',' << r.confirmed << ','
        << r.unsubscribed << "\r\n";
  };
  for (const auto& row : rows) line(row.day, row);
  line("total", total);
  out << "signups_per_view," << ratio_text(total.signups, total.views, "") << "\r\n"
      << "confirmed_per_signup," << ratio_text(total.confirmed, total.signups, "") << "\r\n";
}

std::string json_object(const DayCounts& r, bool with_day) {
  return std::string("{") + (with_day ? "\"day\":\"" + r.day + "\"," : "") +
         "\"views\":" + std::to_string(r.views) + ",\"signups\":" + std::to_string(r.signups) +
         ",\"confirmed\":" + std::to_string(r.confirmed) +
         ",\"unsubscribed\":" + std::to_string(r.unsubscribed) + "}";
}

void write_json(std::ostream& out, const std::vector<DayCounts>& rows, const DayCounts& total) {
  out << "{\"days\":[";
  for (std::size_t i = 0; i < rows.size(); ++i) out << (i ? "," : "") << json_object(rows[i], true);
  out << "],\"total\":" << json_object(total, false)
      << ",\"signups_per_view\":" << ratio_text(total.signups, total.views, "null")
      << ",\"confirmed_per_signup\":" << ratio_text(total.confirmed, total.signups, "null")
      << "}\n";
}

void write_table(std::ostream& out, const std::vector<DayCounts>& rows, const DayCounts& total) {
  char line[128];
  const auto print = [&](const std::string& label, const DayCounts& r) {
    std::snprintf(line, sizeof line, "%-10s %8lld %8lld %10lld %13lld\n", label.c_str(),
                  static_cast<long long>(r.views), static_cast<long long>(r.signups),
                  static_cast<long long>(r.confirmed), static_cast<long long>(r.unsubscribed));
    out << line;
  };
  std::snprintf(line, sizeof line, "%-10s %8s %8s %10s %13s\n", "day", "views", "signups",
                "confirmed", "unsubscribed");
  out << line;
  for (const auto& row : rows) print(row.day, row);
  print("total", total);
  out << "\nsign-ups per view:     " << percent_text(total.signups, total.views, "-")
      << "\nconfirmed per sign-up: " << percent_text(total.confirmed, total.signups, "-") << '\n';
}

}  // namespace

int run_stats(const Options& options, std::ostream& out, std::ostream& err) {
  try {
    const auto store = open_existing(options);
    const auto days = last_days(options.stats_days);
    const auto rows = with_zero_days(days, store->daily_counts(days.front()));
    const auto total = total_of(rows);
    switch (options.stats_format) {
      case StatsFormat::Csv: write_csv(out, rows, total); break;
      case StatsFormat::Json: write_json(out, rows, total); break;
      case StatsFormat::Table: write_table(out, rows, total); break;
    }
    out.flush();
    return 0;
  } catch (const std::exception& error) {
    err << kProgramName << ": " << error.what() << '\n';
    return kFailed;
  }
}

}  // namespace brevolt::signup
