#pragma once
// Mouse moves beyond a plain click, with real (XTEST) events.
#include <optional>
#include <utility>

#include "tests/harness/x_query.h"

namespace brevolt::test {

// Where the pointer is, root-relative.
std::optional<std::pair<int, int>> PointerPosition(XQuery& x);

// Moves the pointer to a root position without pressing anything. It must
// not be there already: xdotool then waits a long while for a move.
void MovePointerTo(int x, int y);

// Presses the first button at one root position and releases it at another.
void PressAndReleaseAt(int press_x, int press_y, int release_x, int release_y);

}  // namespace brevolt::test
