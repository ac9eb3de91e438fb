#include "tests/hardening/support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <regex>
#include <stdexcept>

namespace brevolt::test::hardening {
namespace fs = std::filesystem;

namespace {

// Calls that change the file system whatever their flags.
constexpr const char* kChangingCalls[] = {"creat",    "rename", "renameat", "renameat2",
                                          "unlink",   "unlinkat", "mkdir",  "mkdirat",
                                          "rmdir",    "link",   "linkat",   "symlink",
                                          "symlinkat", "truncate"};
constexpr const char* kOpenCalls[] = {"open", "openat", "openat2"};

bool Among(const std::string& name, const auto& names) {
  return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

bool OpensForWriting(const std::string& flags) {
  for (const char* flag : {"O_WRONLY", "O_RDWR", "O_CREAT", "O_TRUNC", "O_APPEND"}) {
    if (flags.find(flag) != std::string::npos) return true;
  }
  return false;
}

bool Under(const fs::path& path, const fs::path& folder) {
  const std::string p = path.lexically_normal().string();
  std::string f = folder.lexically_normal().string();
  if (!f.empty() && f.back() != '/') f += '/';
  return p + "/" == f || p.starts_with(f);
}

}  // namespace

WriteTrace::WriteTrace(fs::path dir) : dir_(std::move(dir)) { fs::create_directories(dir_); }

std::vector<std::string> WriteTrace::Wrapper() const {
  std::string calls = "trace=open,openat,openat2";
  for (const char* call : kChangingCalls) calls += std::string(",") + call;
  // -ff: one file per process, so no call is split across interleaved lines;
  // -y: a directory descriptor shows its path; -s: whole paths.
  return {"strace", "-f", "-ff", "-qq", "-y", "-s", "4096", "--seccomp-bpf", "-e", calls,
          "-e", "signal=none", "-o", (dir_ / "trace").string()};
}

int WriteTrace::TracedProcesses() const {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) count += entry.is_regular_file();
  return count;
}

std::vector<std::string> WriteTrace::Writes(const std::vector<fs::path>& allowed,
                                            const fs::path& cwd) const {
  // name(dirfd, "path", flags...) = result; -y writes a descriptor (AT_FDCWD
  // included) as N</its/path>.
  static const std::regex call(R"(^(\w+)\((?:(?:AT_FDCWD|\d+)(?:<([^>]*)>)?, )?"([^"]*)\"(.*)\) += (-?\d+).*$)");
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    std::ifstream in(entry.path());
    std::string line;
    while (std::getline(in, line)) {
      std::smatch m;
      if (!std::regex_match(line, m, call)) continue;
      const std::string name = m[1];
      const bool changing = Among(name, kChangingCalls);
      if (!changing && !(Among(name, kOpenCalls) && OpensForWriting(m[4]))) continue;
      if (m[5] == "-1") continue;  // it failed: nothing was written
      fs::path path = m[3].str();
      if (path.is_relative()) path = (m[2].matched ? fs::path(m[2].str()) : cwd) / path;
      bool ok = Under(path, "/dev") || Under(path, "/proc");
      for (const auto& folder : allowed) ok = ok || Under(path, folder);
      if (!ok) found.push_back(entry.path().filename().string() + ": " + line);
    }
  }
  return found;
}

std::vector<fs::path> Leftovers(const fs::path& folder, const fs::path& runtime) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_socket() && Under(entry.path(), runtime)) continue;
    if (entry.is_directory() && Under(entry.path(), runtime)) {
      // A folder that holds only sockets is part of the same.
      bool only_sockets = true;
      for (const auto& inner : fs::recursive_directory_iterator(entry.path())) {
        only_sockets = only_sockets && (inner.is_socket() || inner.is_directory());
      }
      if (only_sockets) continue;
    }
    found.push_back(entry.path());
  }
  return found;
}

namespace {

bool RunsProgram(pid_t pid) {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
  return !error && exe.filename() == "brevolt";
}

}  // namespace

pid_t ProgramPid(Brevolt& program) {
  if (RunsProgram(program.pid())) return program.pid();
  for (pid_t pid : program.Descendants()) {
    if (RunsProgram(pid)) return pid;
  }
  return 0;
}

std::vector<XWindow> ViewableTopLevels(XQuery& x) {
  std::vector<XWindow> found;
  for (XWindow window : x.TopLevelClients()) {
    if (x.Viewable(window)) found.push_back(window);
  }
  return found;
}

std::vector<XWindow> ViewableWindowsOf(XQuery& x, pid_t pid) {
  std::vector<pid_t> family = DescendantsOf(pid);
  family.push_back(pid);
  std::vector<XWindow> found;
  for (XWindow window : ViewableTopLevels(x)) {
    const auto owner = WindowPid(x, window);
    if (owner && std::find(family.begin(), family.end(), *owner) != family.end()) {
      found.push_back(window);
    }
  }
  return found;
}

bool FocusWindow(XQuery& x, XWindow window) {
  x.Activate(window);
  return WaitUntil([&] { return x.ActiveWindow() == window; }, kStartTimeout);
}

FullQueue::FullQueue(int port) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  // The loopback web servers of earlier tests (which set SO_REUSEPORT) leave
  // connections in TIME_WAIT on this port; binding past them needs the same
  // options, which would also let this share a live listener: make sure
  // there is none.
  if (const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); probe >= 0) {
    const bool answered =
        connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    if (answered) throw std::runtime_error("something listens on port " + std::to_string(port));
  }
  const int yes = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  setsockopt(listener_, SOL_SOCKET, SO_REUSEPORT, &yes, sizeof yes);
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 0) != 0) {
    throw std::runtime_error("cannot listen on loopback port " + std::to_string(port) + ": " +
                             std::strerror(errno));
  }
  // Backlog 0 still admits a connection or so; fillers take that room until
  // a handshake no longer completes.
  constexpr int kMaxFillers = 8;
  constexpr int kHandshakeWaitMs = 500;
  for (int i = 0; i < kMaxFillers && !full_; ++i) {
    const int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (filler < 0) break;
    fillers_.push_back(filler);
    if (connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) continue;
    if (errno != EINPROGRESS) break;
    pollfd fd{filler, POLLOUT, 0};
    if (poll(&fd, 1, kHandshakeWaitMs) == 0) full_ = true;
  }
}

FullQueue::~FullQueue() {
  for (int filler : fillers_) close(filler);
  if (listener_ >= 0) close(listener_);
}

void KillLeftovers(Brevolt& program) {
  for (pid_t pid : program.Descendants()) kill(pid, SIGKILL);
}

}  // namespace brevolt::test::hardening
