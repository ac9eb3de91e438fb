#pragma once
// The pieces of an end-to-end run: the program as built (its sign-up address
// points at a fixed loopback port), the reference sign-up server on that
// port, and the program itself in a private home with nothing of the user's.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/harness/scratch_dir.h"
#include "tests/harness/x_query.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {

// The port of the sign-up address the program under test was built with.
int SignUpPort();

// brevolt-signup-server on the sign-up port, with its database in `dir`.
class SignUpServer {
 public:
  explicit SignUpServer(const std::filesystem::path& dir);
  // Waits for an answered request whose log line ("GET /path 200") starts
  // with `prefix`; lines seen before are kept for Requests().
  bool WaitForRequest(const std::string& prefix,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Every request line read so far.
  const std::vector<std::string>& Requests() const { return requests_; }
  // Reads whatever request lines have arrived, waiting at most `settle`.
  void Drain(std::chrono::milliseconds settle = std::chrono::milliseconds(200));
  // Rows of the sign-up table as "name|email".
  std::vector<std::string> Signups() const;
  void Stop();

 private:
  std::filesystem::path db_;
  std::unique_ptr<Child> process_;
  std::vector<std::string> requests_;
};

// How a run of the program is started, beyond its private folders.
struct BrevoltOptions {
  std::filesystem::path cwd;          // working directory; empty: the test's
  std::filesystem::path stderr_path;  // file for its stderr; empty: the test's
  // A program that runs it (e.g. a system-call tracer); the program's path is
  // appended as its last argument.
  std::vector<std::string> wrapper;
  // More environment ("NAME=value"), e.g. a theme or a scale.
  std::vector<std::string> env;
  // The program to run (the Windows one, or the Linux one unpacked from its
  // package); empty: the Linux program as built.
  std::string program;
};

// The program under test, with HOME, every XDG folder and TMPDIR pointed at
// fresh empty folders below `private_root`.
class Brevolt {
 public:
  explicit Brevolt(const std::filesystem::path& private_root, BrevoltOptions options = {});
  Child& process() { return *process_; }
  pid_t pid() const { return process_->pid(); }

  // The program's own window (titled "Zendrolt "), once viewable; 0 if it
  // did not appear within `timeout`.
  XWindow WaitForWindow(XQuery& x, std::chrono::milliseconds timeout = std::chrono::seconds(15));

  // Processes the program started that still run (the web engine's).
  std::vector<pid_t> Descendants() const;

 private:
  std::unique_ptr<Child> process_;
};

// Every folder the program's environment points at, for "nothing written"
// checks: HOME, the XDG folders and TMPDIR under `private_root`.
std::vector<std::filesystem::path> PrivateFolders(const std::filesystem::path& private_root);

// Types text with real (XTEST) key events into whatever has the focus.
void TypeText(const std::string& text);
void PressKey(const std::string& key);  // xdotool key names: Tab, Return, space, ...
// A real mouse click at a root position.
void ClickAt(int x, int y);

// The running process ids whose parent chain reaches `ancestor`.
std::vector<pid_t> DescendantsOf(pid_t ancestor);

}  // namespace brevolt::test
