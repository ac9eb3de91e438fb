#include "server/admin/metrics.h"

#include <algorithm>

#include "server/admin/exposition.h"
#include "server/constants.h"

namespace brevolt::signup {
namespace {

constexpr std::string_view kVersion = BREVOLT_VERSION;

template <typename Label, std::size_t N>
void counter_samples(Exposition& out, std::string_view label,
                     const std::array<std::string_view, N>& names,
                     const LabelledCounter<Label>& counter) {
  for (std::size_t i = 0; i < N; ++i) {
    out.sample({{label, names[i]}}, counter.value(static_cast<Label>(i)));
  }
}

void histogram_samples(Exposition& out, std::initializer_list<Label> labels,
                       const DurationHistogram& histogram) {
  out.histogram(labels, kDurationBuckets, histogram.buckets(), histogram.sum_seconds());
}

}  // namespace

RouteName route_name(std::string_view method, std::string_view path) {
  if (path == kFormPath) return method == "POST" ? RouteName::Signup : RouteName::Form;
  if (path == kThankYouPath) return RouteName::ThankYou;
  if (path == kSorryPath) return RouteName::Sorry;
  if (path == kConfirmPath) return RouteName::Confirm;
  if (path == kUnsubscribePath) return RouteName::Unsubscribe;
  if (path == kHealthPath) return RouteName::Health;
  return RouteName::Other;
}

void DurationHistogram::observe(std::chrono::steady_clock::duration duration) {
  const double seconds = std::chrono::duration<double>(duration).count();
  const auto bucket = static_cast<std::size_t>(
      std::lower_bound(kDurationBuckets.begin(), kDurationBuckets.end(), seconds) -
      kDurationBuckets.begin());
  buckets_[bucket].fetch_add(1, std::memory_order_relaxed);
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
  sum_ns_.fetch_add(static_cast<std::uint64_t>(std::max<std::int64_t>(ns, 0)),
                    std::memory_order_relaxed);
}

std::array<std::uint64_t, kDurationBuckets.size() + 1> DurationHistogram::buckets() const {
  std::array<std::uint64_t, kDurationBuckets.size() + 1> counts{};
  for (std::size_t i = 0; i < counts.size(); ++i) {
    counts[i] = buckets_[i].load(std::memory_order_relaxed);
  }
  return counts;
}

double DurationHistogram::sum_seconds() const {
  return static_cast<double>(sum_ns_.load(std::memory_order_relaxed)) / 1e9;
}

Metrics& metrics() {
  static Metrics process_metrics;
  return process_metrics;
}

std::string render_metrics(const Metrics& m, const ScrapeGauges& gauges) {
  Exposition out;
  out.family("brevolt_signup_page_views_total", MetricType::Counter,
             "Times the sign-up form was shown.");
  out.sample({}, m.page_views.load());
  out.family("brevolt_signup_signups_total", MetricType::Counter,
             "Sign-ups recorded: stored for a new address, repeat for one already known.");
  counter_samples(out, "outcome", kSignupKindNames, m.signups);
  out.family("brevolt_signup_refused_total", MetricType::Counter,
             "Sign-ups not recorded, by reason.");
  counter_samples(out, "reason", kRefusalNames, m.refused);
  out.family("brevolt_signup_confirmations_total", MetricType::Counter,
             "Addresses confirmed through the link in their mail.");
  out.sample({}, m.confirmations.load());
  out.family("brevolt_signup_unsubscribes_total", MetricType::Counter,
             "People who left the list, by the way they left.");
  counter_samples(out, "via", kUnsubscribeViaNames, m.unsubscribes);
  out.family("brevolt_signup_mails_total", MetricType::Counter,
             "Confirmation mail handed to the relay, put off for a retry, or given up.");
  counter_samples(out, "result", kMailResultNames, m.mails);
  out.family("brevolt_signup_outbox_mails", MetricType::Gauge,
             "Mail waiting in the outbox (shared by every instance on one database).");
  out.sample({}, static_cast<double>(gauges.outbox_mails));
  out.family("brevolt_signup_connections", MetricType::Gauge,
             "Client connections open on the public listener.");
  out.sample({}, static_cast<double>(m.connections.load()));
  out.family("brevolt_signup_request_duration_seconds", MetricType::Histogram,
             "Time from a request's head to its answer being written, by route.");
  for (std::size_t i = 0; i < kRouteNames.size(); ++i) {
    histogram_samples(out, {{"route", kRouteNames[i]}}, m.request_duration[i]);
  }
  out.family("brevolt_signup_store_duration_seconds", MetricType::Histogram,
             "Time a request's work took in the store.");
  histogram_samples(out, {}, m.store_duration);
  out.family("brevolt_signup_build_info", MetricType::Gauge,
             "Always 1; the version of the server that answers.");
  out.sample({{"version", kVersion}}, std::uint64_t{1});
  return out.text();
}

}  // namespace brevolt::signup
