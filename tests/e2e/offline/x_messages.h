#pragma once
// What a window manager says to and knows about a client window, done by
// hand so that the same test runs with no window manager at all.
#include "tests/harness/x_query.h"

namespace brevolt::test {

// WM_TRANSIENT_FOR of `window`; 0 when it has none or is gone.
XWindow TransientFor(XQuery& x, XWindow window);

// Whether `window` lists WM_DELETE_WINDOW in its WM_PROTOCOLS, i.e. asks to
// be told of a close instead of being cut off.
bool TakesDeleteWindow(XQuery& x, XWindow window);

// The window manager's close: a WM_DELETE_WINDOW client message.
void SendDeleteWindow(XQuery& x, XWindow window);

}  // namespace brevolt::test
