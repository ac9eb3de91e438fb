#include "server/admin/dashboard.h"

#include <algorithm>
#include <cstdio>

#include "server/constants.h"

namespace brevolt::signup {
namespace {

// The chart's own units; the page scales it to its width.
constexpr std::string_view kNone = "–";  // a share of nothing
constexpr int kSlot = 12;         // one day
constexpr int kViewsHeight = 100;  // the upper panel: views
constexpr int kGap = 12;
constexpr int kListHeight = 80;  // the lower panel: sign-ups, confirmed, left

constexpr std::string_view kStyle = R"(
:root{color-scheme:light dark;--bg:#fff;--fg:#1b1b1f;--muted:#5b5b66;--line:#d4d4dc;
--views:#8a8fa8;--signups:#1f6feb;--confirmed:#1a7f37;--unsubscribed:#b35900}
@media (prefers-color-scheme:dark){:root{--bg:#16161a;--fg:#ececf1;--muted:#a8a8b3;
--line:#3a3a44;--views:#6e7390;--signups:#58a6ff;--confirmed:#3fb950;--unsubscribed:#f0883e}}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--fg);font:1rem/1.5 system-ui,sans-serif}
main{max-width:60rem;margin:0 auto;padding:1rem}
h1{font-size:1.5rem;margin:0 0 .5rem}h2{font-size:1.15rem;margin:1.5rem 0 .5rem}
nav a{color:inherit;margin-right:.75rem}nav a[aria-current]{font-weight:bold;text-decoration:none}
.cards{display:flex;flex-wrap:wrap;gap:.75rem;padding:0;margin:0;list-style:none}
.cards li{flex:1 1 9rem;border:1px solid var(--line);border-radius:.5rem;padding:.5rem .75rem}
.cards b{display:block;font-size:1.6rem}.muted{color:var(--muted)}
figure{margin:0}
svg{display:block;width:100%;height:14rem;border-bottom:1px solid var(--line)}
.views{fill:var(--views)}.signups{fill:var(--signups)}.confirmed{fill:var(--confirmed)}
.unsubscribed{fill:var(--unsubscribed)}
.key{display:flex;flex-wrap:wrap;gap:1rem;padding:0;list-style:none}
.key span{display:inline-block;width:.9em;height:.9em;margin-right:.3em;vertical-align:-.1em}
.key .views{background:var(--views)}.key .signups{background:var(--signups)}
.key .confirmed{background:var(--confirmed)}.key .unsubscribed{background:var(--unsubscribed)}
.table{overflow-x:auto}table{border-collapse:collapse;width:100%}
th,td{padding:.25rem .5rem;border-bottom:1px solid var(--line);text-align:right}
th:first-child,td:first-child{text-align:left}
tfoot th{text-align:right}tfoot th:first-child{text-align:left}
caption{text-align:left;font-weight:bold}
)";

std::string number(std::int64_t value) { return std::to_string(value); }

std::string bar(std::string_view kind, int x, int width, int bottom, int height) {
  return "<rect class=\"" + std::string(kind) + "\" x=\"" + std::to_string(x) + "\" y=\"" +
         std::to_string(bottom - height) + "\" width=\"" + std::to_string(width) +
         "\" height=\"" + std::to_string(height) + "\"/>";
}

int scaled(std::int64_t value, std::int64_t most, int height) {
  if (most <= 0 || value <= 0) return 0;
  // A day with anything at all shows at least a sliver.
  return std::max(1, static_cast<int>(value * height / most));
}

std::string chart(const std::vector<DayCounts>& days) {
  std::int64_t most_views = 0;
  std::int64_t most_list = 0;
  for (const auto& day : days) {
    most_views = std::max(most_views, day.views);
    most_list = std::max({most_list, day.signups, day.confirmed, day.unsubscribed});
  }
  const int width = static_cast<int>(days.size()) * kSlot;
  const int height = kViewsHeight + kGap + kListHeight;
  std::string svg = "<svg viewBox=\"0 0 " + std::to_string(width) + " " +
                    std::to_string(height) +
                    "\" preserveAspectRatio=\"none\" role=\"img\" aria-labelledby=\"chart-title\">"
                    "<title id=\"chart-title\">Views (upper bars) and sign-ups, confirmations "
                    "and unsubscribes (lower bars) per day; the table below has the numbers"
                    "</title>\n";
  for (std::size_t i = 0; i < days.size(); ++i) {
    const auto& day = days[i];
    const int x = static_cast<int>(i) * kSlot;
    const int list_bottom = height;
    svg += "<g class=\"day\" data-day=\"" + day.day + "\"><title>" + day.day + ": " +
           number(day.views) + " views, " + number(day.signups) + " sign-ups, " +
           number(day.confirmed) + " confirmed, " + number(day.unsubscribed) +
           " unsubscribed</title>";
    svg += bar("views", x + 1, kSlot - 2, kViewsHeight,
               scaled(day.views, most_views, kViewsHeight));
    svg += bar("signups", x + 1, 3, list_bottom, scaled(day.signups, most_list, kListHeight));
    svg += bar("confirmed", x + 4, 3, list_bottom, scaled(day.confirmed, most_list, kListHeight));
    svg += bar("unsubscribed", x + 7, 3, list_bottom,
               scaled(day.unsubscribed, most_list, kListHeight));
    svg += "</g>\n";
  }
  svg += "</svg>\n";
  svg += "<p class=\"muted\">" + days.front().day + " to " + days.back().day +
         "; the tallest upper bar is " + number(most_views) +
         " views, the tallest lower bar " + number(most_list) + ".</p>\n";
  return svg;
}

std::string row(std::string_view tag, const std::string& label, const DayCounts& counts) {
  const std::string open = "<" + std::string(tag) + ">";
  const std::string close = "</" + std::string(tag) + ">";
  const std::string first = tag == "th" ? "<th scope=\"row\">" : "<td>";
  return "<tr>" + first + label + (tag == "th" ? "</th>" : "</td>") + open +
         number(counts.views) + close + open + number(counts.signups) + close + open +
         number(counts.confirmed) + close + open + number(counts.unsubscribed) + close +
         "</tr>\n";
}

std::string age_text(const std::optional<std::chrono::seconds>& age) {
  if (!age) return "none waiting";
  const auto seconds = age->count();
  if (seconds < 120) return number(seconds) + " s";
  if (seconds < 7200) return number(seconds / 60) + " min";
  if (seconds < 172800) return number(seconds / 3600) + " h";
  return number(seconds / 86400) + " days";
}

std::string card(std::string_view id, std::string_view label, const std::string& value,
                 const std::string& note = {}) {
  return "<li><span>" + std::string(label) + "</span><b id=\"" + std::string(id) + "\">" + value +
         "</b>" + (note.empty() ? "" : "<span class=\"muted\">" + note + "</span>") + "</li>\n";
}

}  // namespace

std::string render_dashboard(const DashboardData& data) {
  const auto total = total_of(data.days);
  const auto span = std::to_string(data.days.size());
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<link rel=\"icon\" href=\"data:,\">\n<title>Sign-ups, last " + span +
      " days</title>\n<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n<main>\n";
  html += "<h1>Sign-ups, last " + span + " days</h1>\n<nav aria-label=\"Span\">";
  for (const int days : kDashboardSpans) {
    const bool current = std::to_string(days) == span;
    html += "<a href=\"?" + std::string(kDaysField) + "=" + std::to_string(days) + "\"" +
            (current ? " aria-current=\"page\"" : "") + ">" + std::to_string(days) + " days</a>";
  }
  html += "</nav>\n<h2>Funnel</h2>\n<ul class=\"cards\">\n";
  html += card("views", "Form views", number(total.views));
  html += card("signups", "Sign-ups", number(total.signups),
               percent_text(total.signups, total.views, kNone) + " of views");
  html += card("confirmed", "Confirmed", number(total.confirmed),
               percent_text(total.confirmed, total.signups, kNone) + " of sign-ups");
  html += card("unsubscribed", "Unsubscribed", number(total.unsubscribed));
  html += "</ul>\n<h2>Outbox</h2>\n<ul class=\"cards\">\n";
  html += card("outbox-waiting", "Mail waiting", number(data.outbox.waiting));
  html += card("outbox-oldest", "Oldest", age_text(data.outbox.oldest));
  html += "</ul>\n<h2>Per day</h2>\n<figure>\n" + chart(data.days) +
          "<ul class=\"key\"><li><span class=\"views\"></span>Views</li>"
          "<li><span class=\"signups\"></span>Sign-ups</li>"
          "<li><span class=\"confirmed\"></span>Confirmed</li>"
          "<li><span class=\"unsubscribed\"></span>Unsubscribed</li></ul>\n</figure>\n";
  html += "<div class=\"table\"><table>\n<caption>Per day (UTC)</caption>\n<thead><tr>"
          "<th scope=\"col\">Day</th><th scope=\"col\">Views</th><th scope=\"col\">Sign-ups</th>"
          "<th scope=\"col\">Confirmed</th><th scope=\"col\">Unsubscribed</th></tr></thead>\n"
          "<tbody>\n";
  for (const auto& day : data.days) html += row("td", day.day, day);
  html += "</tbody>\n<tfoot>\n" + row("th", "Total", total) + "</tfoot>\n</table></div>\n";
  html += "</main>\n</body>\n</html>\n";
  return html;
}

}  // namespace brevolt::signup
