#pragma once
// Running a test once on a bare X server and once under openbox.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/harness/x_session.h"

namespace brevolt::test {

// A name fit for a test's name.
inline std::string WmName(XSession::Wm wm) {
  return wm == XSession::Wm::kOpenbox ? "Openbox" : "NoWm";
}

inline std::string WmTestName(const ::testing::TestParamInfo<XSession::Wm>& info) {
  return WmName(info.param);
}

// Names the window manager in gtest's messages instead of the enum's bytes.
inline void PrintTo(XSession::Wm wm, std::ostream* out) {
  *out << (wm == XSession::Wm::kOpenbox ? "openbox" : "no window manager");
}

}  // namespace brevolt::test

#define BREVOLT_INSTANTIATE_WM_TESTS(Suite)                                             \
  INSTANTIATE_TEST_SUITE_P(, Suite,                                                     \
                           ::testing::Values(::brevolt::test::XSession::Wm::kNone,     \
                                             ::brevolt::test::XSession::Wm::kOpenbox), \
                           ::brevolt::test::WmTestName)
