#include "server/http/responses.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace brevolt::signup {
namespace {

namespace http = boost::beast::http;

boost::beast::string_view view(std::string_view text) { return {text.data(), text.size()}; }

// Spelled out rather than left to strftime, whose names follow the locale.
constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string http_date(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%s, %02d %s %04d %02d:%02d:%02d GMT",
                kDays.at(static_cast<std::size_t>(utc.tm_wday)), utc.tm_mday,
                kMonths.at(static_cast<std::size_t>(utc.tm_mon)), utc.tm_year + 1900, utc.tm_hour,
                utc.tm_min, utc.tm_sec);
  return text.data();
}

HttpResponse make_response(Answer answer, unsigned version, bool keep_alive, bool head) {
  HttpResponse response(static_cast<http::status>(answer.status), version);
  response.set(http::field::date, http_date(std::chrono::system_clock::now()));
  for (const auto& [name, value] : kAnswerHeaders) response.set(view(name), view(value));
  response.set(http::field::content_type, view(answer.content_type));
  if (!answer.location.empty()) response.set(http::field::location, answer.location);
  if (!answer.allow.empty()) response.set(http::field::allow, answer.allow);
  response.body() = std::move(answer.html);
  response.keep_alive(keep_alive);
  response.prepare_payload();
  if (head) response.body().clear();  // the length still says what GET would send
  return response;
}

}  // namespace brevolt::signup
