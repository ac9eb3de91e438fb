#pragma once
// Reading what is on the screen of a private X server: enough to tell an
// entry field that holds text from one that shows at most its caret.
#include "tests/harness/x_query.h"

namespace brevolt::test {

// How many pixel columns of `area` (root-relative) hold at least one dark
// pixel, as drawn text does; a caret covers one or two.
int DarkColumns(XQuery& x, const WindowRect& area);

}  // namespace brevolt::test
