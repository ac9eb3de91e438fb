#pragma once
// The compositor's toplevel windows as a foreign-toplevel protocol reports
// them, in the order they were announced. A window's handle is its place in
// the list plus one, so handles stay valid (and unique) as windows close.
#include <cstddef>
#include <string>
#include <type_traits>

#include "app/win32_types.h"

namespace brevolt::platform {

struct Toplevel {
  std::string title;
  // Set once the compositor has described the window completely.
  bool described = false;
  bool closed = false;
  bool minimized = false;
};

template <typename List>
HWND FirstTitled(const List& list, const char* title) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Toplevel& toplevel = list[i];
    if (toplevel.described && !toplevel.closed && toplevel.title == title) {
      return static_cast<HWND>(i + 1);
    }
  }
  return 0;
}

// The live entry for `handle`, or nullptr.
template <typename List>
auto* EntryFor(List& list, HWND handle) {
  using Entry = std::remove_reference_t<decltype(list[0])>;
  if (handle == 0 || handle > list.size() || list[handle - 1].closed) {
    return static_cast<Entry*>(nullptr);
  }
  return &list[handle - 1];
}

}  // namespace brevolt::platform
