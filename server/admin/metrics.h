#pragma once
// What this process has done since it started, as its monitoring reads it:
// counters that only grow, two gauges and two histograms. Updated from any
// thread without a lock; read whole when scraped. Counts only: nothing
// here ever holds an address or a name.
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brevolt::signup {

// Why a sign-up was not recorded. One list: a new defence adds its reason
// here and to kRefusalNames, and the exposition follows.
// Token: the form's token missing, forged, too young, too old or used;
// honeypot: the field people never see was filled.
enum class Refusal : std::size_t { Rate, Invalid, Store, Deadline, Token, Honeypot, Count };
inline constexpr std::array<std::string_view, static_cast<std::size_t>(Refusal::Count)>
    kRefusalNames = {"rate", "invalid", "store", "deadline", "token", "honeypot"};

enum class SignupKind : std::size_t { Stored, Repeat, Count };
inline constexpr std::array<std::string_view, 2> kSignupKindNames = {"stored", "repeat"};

enum class UnsubscribeVia : std::size_t { OneClick, Page, Count };
inline constexpr std::array<std::string_view, 2> kUnsubscribeViaNames = {"one-click", "page"};

enum class MailResult : std::size_t { Sent, Retried, Undeliverable, Count };
inline constexpr std::array<std::string_view, 3> kMailResultNames = {"sent", "retried",
                                                                     "undeliverable"};

// The routes requests are timed by; anything else is "other", so that a
// scanner's paths cannot grow the number of series.
enum class RouteName : std::size_t {
  Form, Signup, ThankYou, Sorry, Confirm, Unsubscribe, Health, Other, Count
};
inline constexpr std::array<std::string_view, 8> kRouteNames = {
    "form", "signup", "thankyou", "sorry", "confirm", "unsubscribe", "health", "other"};
RouteName route_name(std::string_view method, std::string_view path);

// Upper bounds of the duration buckets, in seconds (+Inf is implied).
inline constexpr std::array<double, 11> kDurationBuckets = {
    0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1.0, 2.5};

class DurationHistogram {
 public:
  void observe(std::chrono::steady_clock::duration duration);
  // Per bucket (not cumulative), the last one past every bound.
  std::array<std::uint64_t, kDurationBuckets.size() + 1> buckets() const;
  double sum_seconds() const;

 private:
  std::array<std::atomic<std::uint64_t>, kDurationBuckets.size() + 1> buckets_{};
  std::atomic<std::uint64_t> sum_ns_{0};
};

template <typename Label>
class LabelledCounter {
 public:
  void add(Label label, std::uint64_t by = 1) {
    counts_[static_cast<std::size_t>(label)].fetch_add(by, std::memory_order_relaxed);
  }
  std::uint64_t value(Label label) const {
    return counts_[static_cast<std::size_t>(label)].load(std::memory_order_relaxed);
  }

 private:
  std::array<std::atomic<std::uint64_t>, static_cast<std::size_t>(Label::Count)> counts_{};
};

struct Metrics {
  std::atomic<std::uint64_t> page_views{0};
  // Views not yet added to the store's daily counts.
  std::atomic<std::uint64_t> unsaved_views{0};
  LabelledCounter<SignupKind> signups;
  LabelledCounter<Refusal> refused;
  std::atomic<std::uint64_t> confirmations{0};
  LabelledCounter<UnsubscribeVia> unsubscribes;
  LabelledCounter<MailResult> mails;
  std::atomic<std::int64_t> connections{0};
  std::array<DurationHistogram, static_cast<std::size_t>(RouteName::Count)> request_duration;
  DurationHistogram store_duration;

  void count_view() {
    page_views.fetch_add(1, std::memory_order_relaxed);
    unsaved_views.fetch_add(1, std::memory_order_relaxed);
  }
};

// The process's one set, as a Prometheus client library keeps its default
// registry: the monitoring adds instances up.
Metrics& metrics();

// What the scrape reads from elsewhere at the moment it is made.
struct ScrapeGauges {
  std::int64_t outbox_mails = 0;
};

// The whole exposition, in the text format version 0.0.4.
std::string render_metrics(const Metrics& metrics, const ScrapeGauges& gauges);

}  // namespace brevolt::signup
