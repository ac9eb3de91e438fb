// A library under the module's name that lacks its entry point, as a
// mismatched or truncated install would.
extern "C" int brevolt_unrelated_symbol() { return 0; }
