#pragma once
// The product's window under sway, through its IPC: found by title in the
// layout tree, parked in the scratchpad and brought back. sway ignores the
// minimise request of the foreign-toplevel protocol, so this is the only
// way to put a window aside there.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/sway/sway_ipc.h"
#include "platform/window_layer.h"

namespace brevolt::platform {

class SwayWindows : public WindowLayer {
 public:
  // nullptr when no sway answers at `socket_path` (SWAYSOCK).
  static std::unique_ptr<SwayWindows> Connect(const std::string& socket_path);

  // A window's handle is its container id.
  HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override;
  BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                    UINT uFlags) override;

 private:
  explicit SwayWindows(std::unique_ptr<SwayIpc> ipc) : ipc_(std::move(ipc)) {}
  bool Hide(std::int64_t id);
  bool Show(std::int64_t id);
  bool Run(const std::string& commands);

  std::unique_ptr<SwayIpc> ipc_;
  // Whether each window we parked was floating: the scratchpad makes every
  // window floating, and a tiled one goes back into the tiling.
  std::map<std::int64_t, bool> was_floating_;
};

}  // namespace brevolt::platform
