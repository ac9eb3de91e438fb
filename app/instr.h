#pragma once
#include <cstddef>
#include <string_view>

namespace brevolt {

// 1-based position of the first occurrence of `find` in `text`, or 0;
// case-sensitive, byte by byte.
inline std::size_t InStr(std::string_view text, std::string_view find) {
  const std::size_t at = text.find(find);
  return at == std::string_view::npos ? 0 : at + 1;
}

}  // namespace brevolt
