#include "tests/e2e/common/journey.h"

#include <sys/stat.h>

#include <csignal>
#include <cstdio>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "build_config.h"
#include "tests/harness/signup_rows.h"

namespace brevolt::test {
namespace fs = std::filesystem;

int SignUpPort() {
  // http://127.0.0.1:PORT/... as the build was configured for tests.
  const std::string_view url = kSignUpUrl;
  const auto host_start = url.find("//") + 2;
  const auto colon = url.find(':', host_start);
  const auto slash = url.find('/', host_start);
  if (colon == std::string_view::npos || colon > slash) {
    throw std::runtime_error("the program was not built with a loopback port in SIGNUP_URL");
  }
  int port = 0;
  std::from_chars(url.data() + colon + 1, url.data() + slash, port);
  return port;
}

SignUpServer::SignUpServer(const fs::path& dir) : db_(dir / "signups.db") {
  process_ = std::make_unique<Child>(std::vector<std::string>{
      BuiltProgram("brevolt-signup-server"), "--listen",
      "127.0.0.1:" + std::to_string(SignUpPort()), "--db", db_.string(),
      // The journeys type faster than any person could.
      "--form-min-seconds", "0"});
  if (!process_->WaitForLine("listening on", std::chrono::seconds(10))) {
    throw std::runtime_error("the sign-up server did not start on port " +
                             std::to_string(SignUpPort()));
  }
}

bool SignUpServer::WaitForRequest(const std::string& prefix, std::chrono::milliseconds timeout) {
  for (const std::string& seen : requests_) {
    if (seen.starts_with(prefix)) return true;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    auto line = process_->ReadLine(left);
    if (!line) return false;
    requests_.push_back(*line);
    if (line->starts_with(prefix)) return true;
  }
  return false;
}

void SignUpServer::Drain(std::chrono::milliseconds settle) {
  while (auto line = process_->ReadLine(settle)) requests_.push_back(*line);
}

std::vector<std::string> SignUpServer::Signups() const {
  std::vector<std::string> rows;
  for (const SignupRow& row : ReadSignups(db_)) rows.push_back(row.name + "|" + row.email);
  return rows;
}

void SignUpServer::Stop() {
  if (!process_) return;
  process_->Kill(SIGTERM);
  process_->WaitExit(std::chrono::seconds(10));
  Drain(std::chrono::milliseconds(0));
}

std::vector<fs::path> PrivateFolders(const fs::path& private_root) {
  std::vector<fs::path> folders;
  for (const char* name : {"home", "config", "cache", "data", "state", "runtime", "tmp"}) {
    folders.push_back(private_root / name);
  }
  return folders;
}

namespace {

// A link the program hands to the desktop's default browser must reach a
// stand-in of the test's own, never whatever browser the machine has: a
// real one would write its profile into the private folders. It sits
// beside them, in the data and config folders the desktop looks in after
// the user's, so that a test may still make its own browser the user's.
std::vector<std::string> StandInBrowser(const fs::path& private_root) {
  const fs::path folder = fs::path(private_root).concat("-stand-in-browser");
  fs::create_directories(folder / "data" / "applications");
  fs::create_directories(folder / "config");
  std::ofstream(folder / "data" / "applications" / "brevolt-stand-in-browser.desktop")
      << "[Desktop Entry]\nType=Application\nName=Stand-in browser\nExec=true %u\n"
         "MimeType=x-scheme-handler/http;x-scheme-handler/https;\n";
  const std::string defaults =
      "[Default Applications]\n"
      "x-scheme-handler/http=brevolt-stand-in-browser.desktop\n"
      "x-scheme-handler/https=brevolt-stand-in-browser.desktop\n";
  std::ofstream(folder / "config" / "mimeapps.list") << defaults;
  std::ofstream(folder / "data" / "applications" / "mimeapps.list") << defaults;
  return {"XDG_DATA_DIRS=" + (folder / "data").string() + ":/usr/local/share:/usr/share",
          "XDG_CONFIG_DIRS=" + (folder / "config").string() + ":/etc/xdg"};
}

}  // namespace

Brevolt::Brevolt(const fs::path& private_root, BrevoltOptions options) {
  for (const fs::path& folder : PrivateFolders(private_root)) {
    fs::create_directories(folder);
    ::chmod(folder.c_str(), 0700);
  }
  const auto at = [&](const char* name) { return (private_root / name).string(); };
  std::vector<std::string> argv = std::move(options.wrapper);
  argv.push_back(options.program.empty() ? BuiltProgram("brevolt") : options.program);
  std::vector<std::string> env{"HOME=" + at("home"), "XDG_CONFIG_HOME=" + at("config"),
                               "XDG_CACHE_HOME=" + at("cache"), "XDG_DATA_HOME=" + at("data"),
                               "XDG_STATE_HOME=" + at("state"), "XDG_RUNTIME_DIR=" + at("runtime"),
                               "TMPDIR=" + at("tmp")};
  for (std::string& setting : StandInBrowser(private_root)) env.push_back(std::move(setting));
  env.insert(env.end(), options.env.begin(), options.env.end());
  process_ = std::make_unique<Child>(
      std::move(argv), std::move(env),
      ChildOptions{options.cwd.string(), options.stderr_path.string()});
}

XWindow Brevolt::WaitForWindow(XQuery& x, std::chrono::milliseconds timeout) {
  XWindow found = 0;
  WaitUntil(
      [&] {
        for (XWindow w : x.FindByTitle("Zendrolt ")) {
          if (x.Viewable(w)) {
            found = w;
            return true;
          }
        }
        return !process_->Running();
      },
      timeout);
  return found;
}

std::vector<pid_t> DescendantsOf(pid_t ancestor) {
  std::vector<std::pair<pid_t, pid_t>> parents;  // (pid, ppid)
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    pid_t pid = 0;
    if (std::from_chars(name.data(), name.data() + name.size(), pid).ec != std::errc{}) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // The command may hold blanks and parentheses: fields resume after the last ')'.
    const auto close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    pid_t ppid = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) != 2) continue;
    if (state == 'Z') continue;
    parents.emplace_back(pid, ppid);
  }
  std::vector<pid_t> found{ancestor};
  for (std::size_t i = 0; i < found.size(); ++i) {
    for (const auto& [pid, ppid] : parents) {
      if (ppid == found[i]) found.push_back(pid);
    }
  }
  found.erase(found.begin());
  return found;
}

std::vector<pid_t> Brevolt::Descendants() const { return DescendantsOf(process_->pid()); }

namespace {

void RunXdotool(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  Child tool(std::move(args));
  const auto status = tool.WaitExit(std::chrono::seconds(30));
  if (status != 0) throw std::runtime_error("xdotool failed");
}

}  // namespace

void TypeText(const std::string& text) { RunXdotool({"type", "--delay", "25", text}); }

void PressKey(const std::string& key) { RunXdotool({"key", key}); }

void ClickAt(int x, int y) {
  // One connection keeps the move and the click in order; "--sync" would
  // wait for ever for a move to where the pointer already is.
  RunXdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

}  // namespace brevolt::test
