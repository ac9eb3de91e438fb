#pragma once
// Which process a window says it belongs to.
#include <sys/types.h>

#include <optional>

#include "tests/harness/x_query.h"

namespace brevolt::test {

// _NET_WM_PID of a window; nullopt when it has none or is gone.
std::optional<pid_t> WindowPid(XQuery& x, XWindow window);

}  // namespace brevolt::test
