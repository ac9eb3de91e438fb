#include <windows.h>
#include <wininet.h>

#include "platform/win32/probe.h"

#include <future>
#include <string>
#include <thread>

#include "build_config.h"

namespace brevolt::platform::win32 {

BOOL CheckConnection(const char* url, DWORD flags, std::chrono::milliseconds bound) {
  if (url == nullptr) return FALSE;
  // The check runs on a thread of its own that may outlive this call: it
  // owns its copy of the address, and a late answer goes nowhere. A thread
  // still waiting when the program ends is ended with the process.
  std::packaged_task<BOOL(std::string, DWORD)> check([](std::string address, DWORD f) {
    return ::InternetCheckConnectionA(address.c_str(), f, 0);
  });
  std::future<BOOL> answer = check.get_future();
  std::thread(std::move(check), std::string(url), flags).detach();
  if (answer.wait_for(bound) != std::future_status::ready) return FALSE;
  return answer.get() ? TRUE : FALSE;
}

BOOL InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD /*dwReserved*/) {
  return CheckConnection(lpszUrl, dwFlags, kProbeTimeout);
}

}  // namespace brevolt::platform::win32
