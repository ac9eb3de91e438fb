#include "platform/sway/sway_windows.h"

#include <limits>

#include "platform/sway/sway_tree.h"

namespace brevolt::platform {
namespace {

std::string Criteria(std::int64_t id) { return "[con_id=" + std::to_string(id) + "] "; }

}  // namespace

std::unique_ptr<SwayWindows> SwayWindows::Connect(const std::string& socket_path) {
  auto ipc = SwayIpc::Connect(socket_path);
  if (!ipc) return nullptr;
  return std::unique_ptr<SwayWindows>(new SwayWindows(std::move(ipc)));
}

HWND SwayWindows::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  if (lpClassName != nullptr || lpWindowName == nullptr) return 0;
  const auto tree = ipc_->Request(SwayIpc::Type::kGetTree);
  if (!tree) return 0;
  const auto view = FindSwayViewByTitle(*tree, lpWindowName);
  if (!view || view->id <= 0 || view->id > std::numeric_limits<HWND>::max()) return 0;
  return static_cast<HWND>(view->id);
}

BOOL SwayWindows::SetWindowPos(HWND hWnd, HWND /*hWndInsertAfter*/, int /*X*/, int /*Y*/,
                               int /*cx*/, int /*cy*/, UINT uFlags) {
  if (hWnd == 0) return 0;
  if ((uFlags & SWP_SHOWWINDOW) != 0) return Show(hWnd) ? 1 : 0;
  if ((uFlags & SWP_HIDEWINDOW) != 0) return Hide(hWnd) ? 1 : 0;
  const auto tree = ipc_->Request(SwayIpc::Type::kGetTree);
  return tree && FindSwayViewById(*tree, hWnd) ? 1 : 0;
}

bool SwayWindows::Hide(std::int64_t id) {
  const auto tree = ipc_->Request(SwayIpc::Type::kGetTree);
  const auto view = tree ? FindSwayViewById(*tree, id) : std::nullopt;
  if (!view) return false;
  if (view->in_scratchpad) return true;
  was_floating_[id] = view->floating;
  return Run(Criteria(id) + "move scratchpad");
}

bool SwayWindows::Show(std::int64_t id) {
  const auto tree = ipc_->Request(SwayIpc::Type::kGetTree);
  const auto view = tree ? FindSwayViewById(*tree, id) : std::nullopt;
  if (!view) return false;
  std::string commands;
  // "scratchpad show" toggles: on a window already out it would park it.
  if (view->in_scratchpad) commands += Criteria(id) + "scratchpad show; ";
  const auto parked = was_floating_.find(id);
  if (parked != was_floating_.end() && !parked->second) {
    commands += Criteria(id) + "floating disable; ";
  }
  commands += Criteria(id) + "focus";
  return Run(commands);
}

bool SwayWindows::Run(const std::string& commands) {
  const auto reply = ipc_->Request(SwayIpc::Type::kRunCommand, commands);
  return reply && SwayCommandsSucceeded(*reply);
}

}  // namespace brevolt::platform
