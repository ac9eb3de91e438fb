#include "tests/harness/wayland_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/harness/spawn.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace fs = std::filesystem;
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kStopGrace = std::chrono::seconds(3);
constexpr auto kToolTimeout = std::chrono::seconds(10);
constexpr uid_t kUnprivileged = 65534;  // nobody

std::string ReadAll(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

}  // namespace

WaylandSession::WaylandSession(Compositor compositor) {
  try {
    Start(compositor);
  } catch (...) {
    if (pid_ > 0) Terminate(pid_, kStopGrace);
    throw;
  }
}

WaylandSession::~WaylandSession() {
  if (pid_ > 0) Terminate(pid_, kStopGrace);
}

void WaylandSession::Start(Compositor compositor) {
  runtime_ = dir() / "run";
  fs::create_directory(runtime_);
  fs::permissions(runtime_, fs::perms::owner_all);
  // Run by the compositor once it is up, with the addresses it gives its
  // clients; written whole and then renamed, so a reader never sees half.
  const fs::path announce = dir() / "announce";
  const fs::path announced = dir() / "addresses";
  std::ofstream(announce) << "#!/bin/sh\nprintf '%s\\n%s\\n%s\\n' \"$DISPLAY\" "
                             "\"$WAYLAND_DISPLAY\" \"$SWAYSOCK\" > '" << announced.string()
                          << ".part' && mv '" << announced.string() << ".part' '"
                          << announced.string() << "'\n";
  fs::permissions(announce, fs::perms::owner_all);
  std::vector<std::string> argv;
  std::vector<std::string> env = {"HOME=" + dir().string(),
                                  "XDG_RUNTIME_DIR=" + runtime_.string(),
                                  "WAYLAND_DISPLAY=", "DISPLAY="};
  const fs::path config = dir() / "config";
  if (compositor == Compositor::kSway) {
    std::ofstream(config) << "xwayland force\nexec " << announce.string() << "\n";
    argv = {"sway", "-c", config.string()};
    env.insert(env.end(), {"WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                           "WLR_LIBINPUT_NO_DEVICES=1"});
  } else if (compositor == Compositor::kKwin) {
    // KWin ends with its session program, which must outlive the announcement.
    std::ofstream(announce, std::ios::app) << "exec setpriv --pdeathsig=TERM sleep 1000000\n";
    // The packaged binary carries file capabilities, which a container may
    // refuse to exec; a plain copy carries none and needs none.
    const fs::path kwin = dir() / "kwin_wayland";
    fs::copy_file("/usr/bin/kwin_wayland", kwin);
    argv = {kwin.string(), "--virtual", "--xwayland", "--no-lockscreen", "--no-global-shortcuts",
            "--no-kactivities", "--exit-with-session", announce.string()};
    env.insert(env.end(), {"KWIN_WAYLAND_NO_PERMISSION_CHECKS=1",
                           "DBUS_SESSION_BUS_ADDRESS=disabled:"});
  } else {
    std::ofstream(config) << "[core]\nxwayland=true\n[autolaunch]\npath=" << announce.string()
                          << "\n";
    argv = {"weston", "--backend=headless-backend.so", "--use-pixman", "--xwayland",
            "-c", config.string()};
  }
  HandOver(dir());
  const int log = open((dir() / "compositor.log").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  SpawnRequest request;
  request.argv = AsUser(argv, env);
  request.stdout_fd = request.stderr_fd = log;
  pid_ = Spawn(request);
  close(log);
  const bool up = WaitUntil(
      [&] { return fs::exists(announced) || ReapWithin(pid_, std::chrono::milliseconds(0)); },
      kStartTimeout);
  std::ifstream addresses(announced);
  std::string wayland_display;
  if (!up || !std::getline(addresses, x_display_) || !std::getline(addresses, wayland_display) ||
      x_display_.empty() || wayland_display.empty()) {
    throw std::runtime_error("the compositor did not start:\n" +
                             ReadAll(dir() / "compositor.log"));
  }
  wayland_socket_ = runtime_ / wayland_display;
  std::getline(addresses, sway_socket_);
  if (geteuid() == 0) {
    Child xhost(AsUser({"xhost", "+si:localuser:root"}, {"DISPLAY=" + x_display_}));
    if (xhost.WaitExit(kToolTimeout) != 0) throw std::runtime_error("XWayland kept root out");
  }
}

std::vector<std::string> WaylandSession::ClientEnv() const {
  std::vector<std::string> env{"WAYLAND_DISPLAY=" + wayland_socket_.string(),
                               "DISPLAY=" + x_display_};
  if (!sway_socket_.empty()) env.push_back("SWAYSOCK=" + sway_socket_);
  return env;
}

std::vector<std::string> WaylandSession::AsUser(std::vector<std::string> argv,
                                                const std::vector<std::string>& env) const {
  std::vector<std::string> command;
  if (geteuid() == 0) {
    // Changing user clears the parent-death signal that Spawn sets.
    command = {"setpriv", "--reuid=" + std::to_string(kUnprivileged),
               "--regid=" + std::to_string(kUnprivileged), "--clear-groups",
               "--pdeathsig=TERM"};
  }
  command.push_back("env");
  command.insert(command.end(), env.begin(), env.end());
  command.insert(command.end(), argv.begin(), argv.end());
  return command;
}

std::string WaylandSession::Program(const std::string& name) const {
  const fs::path built = BuiltProgram(name);
  if (geteuid() != 0) return built;
  const fs::path bin = dir() / "bin";
  fs::create_directories(bin);
  for (const auto& entry : fs::directory_iterator(built.parent_path())) {
    if (entry.path() == built || entry.path().extension() == ".so") {
      fs::copy_file(entry.path(), bin / entry.path().filename(),
                    fs::copy_options::skip_existing);
    }
  }
  HandOver(bin);
  return bin / name;
}

void WaylandSession::HandOver(const fs::path& folder) const {
  if (geteuid() != 0) return;
  lchown(folder.c_str(), kUnprivileged, kUnprivileged);
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    lchown(entry.path().c_str(), kUnprivileged, kUnprivileged);
  }
}

std::string WaylandSession::SwayMsg(std::vector<std::string> args) const {
  args.insert(args.begin(), {"swaymsg", "-s", sway_socket_, "-r"});
  Child tool(std::move(args));
  std::string reply;
  while (auto line = tool.ReadLine(kToolTimeout)) reply += *line + "\n";
  tool.WaitExit(kToolTimeout);
  return reply;
}

}  // namespace brevolt::test
