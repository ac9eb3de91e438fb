// Runs the program's connectivity probe once against an address and prints
// "<answer> <milliseconds>", for the X-side tests and the figures.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstdio>

#include "platform/win32/probe.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: probe_check.exe URL\n");
    return 2;
  }
  _setmode(_fileno(stdout), _O_BINARY);
  const auto start = std::chrono::steady_clock::now();
  const BOOL answer =
      brevolt::platform::win32::InternetCheckConnectionA(argv[1], FLAG_ICC_FORCE_CONNECTION, 0);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  std::printf("%d %lld\n", answer ? 1 : 0, static_cast<long long>(took.count()));
  std::fflush(stdout);
  // A check still waiting on its own thread does not hold the exit up.
  ::ExitProcess(0);
}
