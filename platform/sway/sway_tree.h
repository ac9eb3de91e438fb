#pragma once
// The windows in sway's get_tree reply, in the tree's own order.
#include <cstdint>
#include <optional>
#include <string>

namespace brevolt::platform {

struct SwayView {
  std::int64_t id = 0;
  bool floating = false;
  // Parked in the scratchpad, out of every workspace.
  bool in_scratchpad = false;
  bool focused = false;
};

// The first view, depth first (tiled children before floating ones), whose
// title equals `title` exactly; nullopt if none or the reply is not a tree.
std::optional<SwayView> FindSwayViewByTitle(const std::string& tree_json,
                                            const std::string& title);

std::optional<SwayView> FindSwayViewById(const std::string& tree_json, std::int64_t id);

// Whether every command of a run_command reply succeeded.
bool SwayCommandsSucceeded(const std::string& reply_json);

}  // namespace brevolt::platform
