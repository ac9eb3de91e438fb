#pragma once
// The Prometheus text exposition format, version 0.0.4, written in this one
// place: each family's HELP and TYPE once, before its samples, and label
// values and help text escaped as the format wants.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace brevolt::signup {

inline constexpr std::string_view kExpositionContentType =
    "text/plain; version=0.0.4; charset=utf-8";

enum class MetricType { Counter, Gauge, Histogram };

using Label = std::pair<std::string_view, std::string_view>;

class Exposition {
 public:
  // Starts a family; `name` is the base name (a counter's ends in _total).
  void family(std::string_view name, MetricType type, std::string_view help);
  // One sample of the current family; `suffix` is appended to its name
  // (_bucket, _sum, _count for a histogram).
  void sample(std::initializer_list<Label> labels, double value, std::string_view suffix = {});
  void sample(std::initializer_list<Label> labels, std::uint64_t value,
              std::string_view suffix = {});
  // A histogram's samples from per-bucket counts: cumulative buckets, the
  // +Inf bucket, _sum and _count.
  template <typename Bounds, typename Counts>
  void histogram(std::initializer_list<Label> labels, const Bounds& bounds, const Counts& counts,
                 double sum);

  const std::string& text() const { return text_; }

 private:
  void line(std::initializer_list<Label> labels, std::string_view extra_name,
            std::string_view extra_value, std::string_view suffix, const std::string& value);

  std::string text_;
  std::string name_;
};

std::string format_sample_value(double value);

template <typename Bounds, typename Counts>
void Exposition::histogram(std::initializer_list<Label> labels, const Bounds& bounds,
                           const Counts& counts, double sum) {
  std::uint64_t cumulative = 0;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    cumulative += counts[i];
    const auto le = i < bounds.size() ? format_sample_value(bounds[i]) : std::string("+Inf");
    line(labels, "le", le, "_bucket", std::to_string(cumulative));
  }
  line(labels, {}, {}, "_sum", format_sample_value(sum));
  line(labels, {}, {}, "_count", std::to_string(cumulative));
}

}  // namespace brevolt::signup
