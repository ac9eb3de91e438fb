#include "tests/harness/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "tests/harness/spawn.h"
#include "tests/harness/x_query.h"
// After our headers: Xlib's macros clash with ordinary names.
#include <X11/Xlib.h>

namespace brevolt::test {
namespace {

constexpr auto kStartTimeout = std::chrono::milliseconds(15000);
constexpr auto kStopGrace = std::chrono::milliseconds(3000);
constexpr int kDepth = 24;
// Xvfb writes its display number to this descriptor once it accepts clients.
constexpr int kDisplayFdInChild = 3;
constexpr size_t kLogTailBytes = 2000;
constexpr auto kMapRetry = std::chrono::milliseconds(250);
constexpr auto kMapPoll = std::chrono::milliseconds(5);

// Opened for a child's stdout and stderr; the child keeps its own copy.
class LogFile {
 public:
  explicit LogFile(const std::string& path)
      : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "open " + path);
  }
  ~LogFile() { close(fd_); }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Reads the display number Xvfb announces; empty if it died (then `died`
// is set: it has been reaped) or timed out.
std::string ReadDisplayNumber(int fd, pid_t xvfb, bool& died) {
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (number.empty() || number.back() != '\n') {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (ReapWithin(xvfb, std::chrono::milliseconds(0))) {
      died = true;
      return {};
    }
    if (left.count() <= 0) return {};
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(std::min<long>(left.count(), 100)));
    if (ready <= 0) continue;
    char c;
    const ssize_t got = read(fd, &c, 1);
    if (got == 0) return {};
    if (got == 1) number.push_back(c);
  }
  number.pop_back();
  return number;
}

// openbox announces itself before its start-up is over, and a window mapped
// meanwhile may never be managed. Readiness is the proof: a window of ours
// gets mapped, asking again for as long as it is not.
bool WindowManagerTakesWindows(const std::string& display_name) {
  Display* display = XOpenDisplay(display_name.c_str());
  if (display == nullptr) return false;
  const Window probe = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0,
                                           0, 0);
  XSelectInput(display, probe, StructureNotifyMask);
  bool mapped = false;
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!mapped && std::chrono::steady_clock::now() < deadline) {
    XMapWindow(display, probe);
    XFlush(display);
    const auto retry = std::chrono::steady_clock::now() + kMapRetry;
    while (!mapped && std::chrono::steady_clock::now() < retry) {
      XEvent event;
      if (XCheckTypedWindowEvent(display, probe, MapNotify, &event)) {
        mapped = true;
      } else {
        std::this_thread::sleep_for(kMapPoll);
      }
    }
  }
  XDestroyWindow(display, probe);
  XCloseDisplay(display);
  return mapped;
}

std::mutex g_live_mutex;

std::set<XSession*>& LiveSessions() {
  static std::set<XSession*> sessions;
  return sessions;
}

}  // namespace

void XSession::StopAllAtExit() {
  std::lock_guard lock(g_live_mutex);
  for (XSession* session : LiveSessions()) session->Stop();
  LiveSessions().clear();
}

XSession::XSession(Wm wm, int width, int height) {
  char dir_template[] = "/tmp/brevolt-xsession-XXXXXX";
  if (mkdtemp(dir_template) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "mkdtemp");
  }
  temp_dir_ = dir_template;
  try {
    StartXvfb(width, height);
    if (wm == Wm::kOpenbox) StartOpenbox();
  } catch (...) {
    Stop();
    throw;
  }
  setenv("DISPLAY", display_.c_str(), 1);
  static std::once_flag at_exit;
  std::call_once(at_exit, [] {
    LiveSessions();  // built before the handler is registered, so it outlives it
    std::atexit(StopAllAtExit);
  });
  std::lock_guard lock(g_live_mutex);
  LiveSessions().insert(this);
}

XSession::~XSession() {
  {
    std::lock_guard lock(g_live_mutex);
    LiveSessions().erase(this);
  }
  Stop();
}

void XSession::StartXvfb(int width, int height) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
  LogFile log(temp_dir_ + "/xvfb.log");
  SpawnRequest request;
  request.argv = {"Xvfb", "-displayfd", std::to_string(kDisplayFdInChild),
                  "-nolisten", "tcp",
                  // Stay as started when the last client leaves, rather than
                  // resetting between one test step and the next.
                  "-noreset",
                  "-screen", "0",
                  std::to_string(width) + "x" + std::to_string(height) + "x" +
                      std::to_string(kDepth)};
  request.stdout_fd = log.fd();
  request.stderr_fd = log.fd();
  request.pass_fd = fds[1];
  request.pass_fd_as = kDisplayFdInChild;
  try {
    xvfb_pid_ = Spawn(request);
  } catch (...) {
    close(fds[0]);
    close(fds[1]);
    throw;
  }
  close(fds[1]);
  bool died = false;
  const std::string number = ReadDisplayNumber(fds[0], xvfb_pid_, died);
  close(fds[0]);
  if (died) xvfb_pid_ = -1;
  if (number.empty()) throw std::runtime_error("Xvfb did not start:\n" + LogTail("xvfb.log"));
  display_ = ":" + number;
}

void XSession::StartOpenbox() {
  // openbox reads its configuration and writes its state under the user's
  // folders; a private home keeps the tests away from the real one.
  const std::string home = temp_dir_ + "/home";
  std::filesystem::create_directories(home);
  LogFile log(temp_dir_ + "/openbox.log");
  SpawnRequest request;
  request.argv = {"openbox", "--sm-disable"};
  request.env = {"DISPLAY=" + display_,
                 "HOME=" + home,
                 "XDG_CONFIG_HOME=" + home + "/.config",
                 "XDG_CACHE_HOME=" + home + "/.cache",
                 "XDG_DATA_HOME=" + home + "/.local/share",
                 "XDG_STATE_HOME=" + home + "/.local/state"};
  request.stdout_fd = log.fd();
  request.stderr_fd = log.fd();
  wm_pid_ = Spawn(request);

  XQuery query(display_);
  bool died = false;
  const bool ready = WaitUntil(
      [&] {
        if (query.HasWm()) return true;
        died = ReapWithin(wm_pid_, std::chrono::milliseconds(0)).has_value();
        return died;
      },
      kStartTimeout);
  if (died) wm_pid_ = -1;
  if (!ready || died || !WindowManagerTakesWindows(display_)) {
    throw std::runtime_error("openbox did not start on " + display_ + ":\n" +
                             LogTail("openbox.log"));
  }
}

void XSession::Stop() {
  if (wm_pid_ > 0) Terminate(wm_pid_, kStopGrace);
  if (xvfb_pid_ > 0) Terminate(xvfb_pid_, kStopGrace);
  wm_pid_ = -1;
  xvfb_pid_ = -1;
  const char* current = std::getenv("DISPLAY");
  if (current != nullptr && !display_.empty() && display_ == current) unsetenv("DISPLAY");
  if (!temp_dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(temp_dir_, ignored);
    temp_dir_.clear();
  }
}

std::string XSession::LogTail(const std::string& name) const {
  std::ifstream in(temp_dir_ + "/" + name, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text.size() > kLogTailBytes ? text.substr(text.size() - kLogTailBytes) : text;
}

}  // namespace brevolt::test
