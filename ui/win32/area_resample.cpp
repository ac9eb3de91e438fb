#include "ui/win32/area_resample.h"

#include <algorithm>
#include <array>

namespace brevolt::ui::win32 {
namespace {

// One new pixel along an axis: the old pixels it covers and how much.
struct Span {
  int first = 0;
  std::vector<double> weights;  // sum to 1
};

std::vector<Span> Spans(int from, int to) {
  std::vector<Span> spans(static_cast<std::size_t>(to));
  const double step = static_cast<double>(from) / to;
  for (int i = 0; i < to; ++i) {
    const double start = i * step, end = start + step;
    Span& span = spans[static_cast<std::size_t>(i)];
    span.first = static_cast<int>(start);
    for (int old = span.first; old < from && old < end; ++old) {
      const double covered = std::min<double>(end, old + 1) - std::max<double>(start, old);
      span.weights.push_back(covered / step);
    }
  }
  return spans;
}

using Channels = std::array<double, 4>;

void Accumulate(Channels& sum, std::uint32_t pixel, double weight) {
  for (int c = 0; c < 4; ++c) sum[c] += weight * ((pixel >> (8 * c)) & 0xFF);
}

std::uint32_t Pack(const Channels& sum) {
  std::uint32_t pixel = 0;
  for (int c = 0; c < 4; ++c) {
    const auto value = static_cast<std::uint32_t>(std::clamp(sum[c] + 0.5, 0.0, 255.0));
    pixel |= value << (8 * c);
  }
  return pixel;
}

}  // namespace

Pixels ResampleByArea(const Pixels& from, int width, int height) {
  Pixels to{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  if (from.width <= 0 || from.height <= 0) return to;
  const std::vector<Span> columns = Spans(from.width, width);
  const std::vector<Span> rows = Spans(from.height, height);
  // Across first, then down: two passes of a few weights each.
  std::vector<std::uint32_t> across(static_cast<std::size_t>(width) * from.height);
  for (int y = 0; y < from.height; ++y) {
    const std::uint32_t* row = &from.data[static_cast<std::size_t>(y) * from.width];
    for (int x = 0; x < width; ++x) {
      const Span& span = columns[static_cast<std::size_t>(x)];
      Channels sum{};
      for (std::size_t k = 0; k < span.weights.size(); ++k) {
        Accumulate(sum, row[span.first + static_cast<int>(k)], span.weights[k]);
      }
      across[static_cast<std::size_t>(y) * width + x] = Pack(sum);
    }
  }
  for (int y = 0; y < height; ++y) {
    const Span& span = rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < width; ++x) {
      Channels sum{};
      for (std::size_t k = 0; k < span.weights.size(); ++k) {
        const int old_row = span.first + static_cast<int>(k);
        Accumulate(sum, across[static_cast<std::size_t>(old_row) * width + x], span.weights[k]);
      }
      to.data[static_cast<std::size_t>(y) * width + x] = Pack(sum);
    }
  }
  return to;
}

}  // namespace brevolt::ui::win32
