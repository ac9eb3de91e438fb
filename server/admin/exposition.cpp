#include "server/admin/exposition.h"

#include <array>
#include <charconv>
#include <cmath>

namespace brevolt::signup {
namespace {

std::string_view type_name(MetricType type) {
  switch (type) {
    case MetricType::Counter: return "counter";
    case MetricType::Gauge: return "gauge";
    case MetricType::Histogram: return "histogram";
  }
  return "untyped";
}

// HELP escapes backslash and line feed; a label value also the quote.
std::string escaped(std::string_view text, bool quote) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' && quote) {
      out += "\\\"";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string format_sample_value(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  std::array<char, 32> buffer{};
  // The shortest text that reads back as the same double.
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return error == std::errc{} ? std::string(buffer.data(), end) : std::string("NaN");
}

void Exposition::family(std::string_view name, MetricType type, std::string_view help) {
  name_ = name;
  text_ += "# HELP " + name_ + " " + escaped(help, false) + "\n";
  text_ += "# TYPE " + name_ + " " + std::string(type_name(type)) + "\n";
}

void Exposition::sample(std::initializer_list<Label> labels, double value,
                        std::string_view suffix) {
  line(labels, {}, {}, suffix, format_sample_value(value));
}

void Exposition::sample(std::initializer_list<Label> labels, std::uint64_t value,
                        std::string_view suffix) {
  line(labels, {}, {}, suffix, std::to_string(value));
}

void Exposition::line(std::initializer_list<Label> labels, std::string_view extra_name,
                      std::string_view extra_value, std::string_view suffix,
                      const std::string& value) {
  text_ += name_;
  text_ += suffix;
  std::string pairs;
  const auto add = [&](std::string_view name, std::string_view label_value) {
    pairs += (pairs.empty() ? "" : ",") + std::string(name) + "=\"" +
             escaped(label_value, true) + "\"";
  };
  for (const auto& [name, label_value] : labels) add(name, label_value);
  if (!extra_name.empty()) add(extra_name, extra_value);
  if (!pairs.empty()) text_ += "{" + pairs + "}";
  text_ += " " + value + "\n";
}

}  // namespace brevolt::signup
