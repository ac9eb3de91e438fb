#pragma once
// Knowing from the outside that the reference sign-up page is ready for keys.
#include <chrono>

#include "tests/e2e/common/screen_capture.h"
#include "tests/harness/x_query.h"

namespace brevolt::test {

// Whether the picture shows the page's focus ring. WebKit paints :focus only
// for the focused element of a focused, active view, so the ring means the
// page has loaded, its autofocus has put the cursor in the name field and
// typed keys will reach it.
bool ShowsFocusedField(const Screenshot& shot);

// Waits until the program's window shows the focused name field.
bool WaitUntilReadyToType(XQuery& x, XWindow window, std::chrono::milliseconds timeout);

}  // namespace brevolt::test
