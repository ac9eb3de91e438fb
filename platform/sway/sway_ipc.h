#pragma once
// A connection to sway's IPC socket: one request, one reply, in order.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace brevolt::platform {

class SwayIpc {
 public:
  // The message types this program sends.
  enum class Type : std::uint32_t { kRunCommand = 0, kGetTree = 4 };

  // nullptr when nothing answers at `socket_path`.
  static std::unique_ptr<SwayIpc> Connect(const std::string& socket_path);
  ~SwayIpc();
  SwayIpc(const SwayIpc&) = delete;
  SwayIpc& operator=(const SwayIpc&) = delete;

  // The reply's payload (JSON), or nullopt if sway did not answer within
  // the bound; after that the connection is closed and every later request
  // fails, as a half-read reply would put the two sides out of step.
  std::optional<std::string> Request(Type type, const std::string& payload = {});

 private:
  explicit SwayIpc(int fd) : fd_(fd) {}
  bool WriteAll(const void* data, std::size_t size);
  bool ReadAll(void* data, std::size_t size, std::chrono::steady_clock::time_point deadline);
  void Close();

  int fd_;
};

}  // namespace brevolt::platform
