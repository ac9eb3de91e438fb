#pragma once
// A test with its own X server and window manager, a stand-in product
// window titled "Zendrolt", and the program run under a write trace with its
// home, XDG folders, temporary folder and working directory fresh and empty.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/common/journey.h"
#include "tests/hardening/support.h"
#include "tests/harness/test_host.h"
#include "ui/layout.h"

namespace brevolt::test::hardening {

// The middle of the Finish caption, relative to the window's client area.
inline constexpr int kFinishX =
    ui::LayoutOf(ui::ControlId::lblFinish).x() + ui::LayoutOf(ui::ControlId::lblFinish).cx() / 2;
inline constexpr int kFinishY =
    ui::LayoutOf(ui::ControlId::lblFinish).y() + ui::LayoutOf(ui::ControlId::lblFinish).cy() / 2;

// The session the program runs in: one without a bus, as under a bare X
// server or a cron job, or one with a bus of its own.
enum class SessionBus { kNone, kPrivate };

class TracedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = std::make_unique<XSession>(XSession::Wm::kOpenbox);
    x_ = std::make_unique<XQuery>(session_->display());
    host_ = std::make_unique<TestHost>("Zendrolt");
    std::filesystem::create_directories(cwd());
  }

  void TearDown() override {
    if (program_) KillLeftovers(*program_);
    program_.reset();
    host_.reset();
    x_.reset();
    session_.reset();
  }

  std::filesystem::path root() const { return scratch_.path() / "private"; }
  std::filesystem::path cwd() const { return scratch_.path() / "cwd"; }
  std::filesystem::path runtime() const { return root() / "runtime"; }

  void Start(SessionBus bus = SessionBus::kNone) {
    bus_ = bus;
    std::vector<std::string> wrapper;
    if (bus == SessionBus::kNone) {
      unsetenv("DBUS_SESSION_BUS_ADDRESS");
    } else {
      // The bus itself is outside the trace: it is the session's, not ours.
      wrapper = {"dbus-run-session", "--"};
    }
    for (std::string& arg : trace_.Wrapper()) wrapper.push_back(std::move(arg));
    program_ = std::make_unique<Brevolt>(
        root(), BrevoltOptions{cwd(), scratch_.path() / "stderr", std::move(wrapper), {}, {}});
    window_ = program_->WaitForWindow(*x_, kStartTimeout);
    ASSERT_NE(window_, 0u) << "the program's window never showed";
  }

  // Keys go where the focus is; the window manager moves it asynchronously.
  void Focus(XWindow window) {
    ASSERT_TRUE(FocusWindow(*x_, window)) << "the window never got the focus";
  }

  void ExpectEndedCleanly() {
    EXPECT_EQ(program_->process().WaitExit(kExitTimeout), 0);
    // The web engine's processes go with it.
    EXPECT_TRUE(WaitUntil([&] { return program_->Descendants().empty(); }, kExitTimeout));
  }

  void ExpectNothingWritten(int at_least_processes) {
    for (const std::filesystem::path& folder : PrivateFolders(root())) {
      // A session's own services keep their state in its runtime folder
      // (dconf's, started by the bus for the accessibility bus's launcher).
      if (bus_ == SessionBus::kPrivate && folder == runtime()) continue;
      EXPECT_EQ(Leftovers(folder, runtime()), std::vector<std::filesystem::path>{}) << folder;
    }
    EXPECT_EQ(Leftovers(cwd(), runtime()), std::vector<std::filesystem::path>{});
    EXPECT_GE(trace_.TracedProcesses(), at_least_processes);
    EXPECT_EQ(trace_.Writes({runtime()}, cwd()), std::vector<std::string>{});
  }

  ScratchDir scratch_{"brevolt-hardening"};
  WriteTrace trace_{scratch_.path() / "trace"};
  std::unique_ptr<XSession> session_;
  std::unique_ptr<XQuery> x_;
  std::unique_ptr<TestHost> host_;
  std::unique_ptr<Brevolt> program_;
  XWindow window_ = 0;
  SessionBus bus_ = SessionBus::kNone;
};

}  // namespace brevolt::test::hardening
