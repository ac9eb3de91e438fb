#include "tests/host_window/host_options.h"

#include <charconv>

namespace brevolt::test_host {
namespace {

// X geometry is 16-bit; anything outside would be silently truncated.
constexpr int kMinCoordinate = -32768;
constexpr int kMaxCoordinate = 32767;
constexpr int kMaxExtent = 32767;

bool ParseInt(const std::string& text, int min, int max, int& out) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < min || value > max) return false;
  out = value;
  return true;
}

}  // namespace

std::optional<HostOptions> ParseHostOptions(const std::vector<std::string>& args,
                                            std::string& error) {
  HostOptions options;
  bool have_title = false;
  bool have_x = false;
  bool have_y = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--wm-name-only") {
      options.wm_name_only = true;
      continue;
    }
    if (arg == "--override-redirect") {
      options.override_redirect = true;
      continue;
    }
    if (arg == "--input-only") {
      options.input_only = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = "missing value or unknown option: " + arg;
      return std::nullopt;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (arg == "--title") {
      options.title = value;
      have_title = true;
    } else if (arg == "--owner-title") {
      options.owner_title = value;
    } else if (arg == "--x") {
      ok = ParseInt(value, kMinCoordinate, kMaxCoordinate, options.x);
      have_x = true;
    } else if (arg == "--y") {
      ok = ParseInt(value, kMinCoordinate, kMaxCoordinate, options.y);
      have_y = true;
    } else if (arg == "--width") {
      ok = ParseInt(value, 1, kMaxExtent, options.width);
    } else if (arg == "--height") {
      ok = ParseInt(value, 1, kMaxExtent, options.height);
    } else {
      error = "unknown option: " + arg;
      return std::nullopt;
    }
    if (!ok) {
      error = "bad value for " + arg + ": " + value;
      return std::nullopt;
    }
  }
  if (!have_title) {
    error = "--title is required";
    return std::nullopt;
  }
  if (have_x != have_y) {
    error = "--x and --y go together";
    return std::nullopt;
  }
  if (options.override_redirect && options.input_only) {
    error = "--override-redirect and --input-only exclude each other";
    return std::nullopt;
  }
  options.position_given = have_x;
  return options;
}

}  // namespace brevolt::test_host
