#include "tests/e2e/online/online_fixture.h"

#include <fstream>

namespace brevolt::test {
namespace {

// Somewhere neither centred nor where a window manager would put it by itself.
const std::vector<std::string> kHostPlace = {"--x", "70", "--y", "55", "--width", "360",
                                             "--height", "240"};

// Gone: no such process, or only its exit status left for someone to reap.
bool ProcessGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const auto close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() &&
         (line[close + 2] == 'Z' || line[close + 2] == 'X');
}

}  // namespace

void OnlineTest::SetUp() {
  scratch_ = std::make_unique<ScratchDir>("brevolt-online");
  session_ = std::make_unique<XSession>(GetParam());
  x_ = std::make_unique<XQuery>(session_->display());
}

void OnlineTest::TearDown() {
  program_.reset();
  host_.reset();
  x_.reset();
  session_.reset();
  scratch_.reset();
}

TestHost& OnlineTest::StartHost(const std::vector<std::string>& extra_args) {
  std::vector<std::string> args = kHostPlace;
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  host_ = std::make_unique<TestHost>("Zendrolt", args);
  host_place_ = x_->Geometry(host_->window());
  return *host_;
}

Brevolt& OnlineTest::StartProgram() {
  program_ = std::make_unique<Brevolt>(scratch() / "program");
  own_window_ = program_->WaitForWindow(*x_, kPageTimeout);
  return *program_;
}

void OnlineTest::ExpectEndedWithHostBack() {
  ASSERT_TRUE(program_ && host_);
  EXPECT_EQ(program_->process().WaitExit(kExitTimeout), std::optional<int>(0));
  const XWindow host = host_->window();
  EXPECT_TRUE(WaitUntil([&] { return x_->Viewable(host); }, kHostBackTimeout))
      << "the product window was not shown again";
  EXPECT_TRUE(WaitUntil([&] { return x_->ActiveWindow() == host; }, kHostBackTimeout))
      << "the product window is not the active one; active: " << x_->ActiveWindow();
  EXPECT_EQ(x_->Geometry(host), host_place_) << "the product window moved or changed size";
  EXPECT_FALSE(x_->Viewable(own_window_)) << "the program's window is still shown";
}

void OnlineTest::ExpectAllGone(const std::vector<pid_t>& engine) {
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (pid_t pid : engine) {
          if (!ProcessGone(pid)) return false;
        }
        return true;
      },
      kCleanupTimeout))
      << "a process the program started outlived it";
}


}  // namespace brevolt::test
