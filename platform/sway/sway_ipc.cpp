#include "platform/sway/sway_ipc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brevolt::platform {
namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
// A busy compositor answers within milliseconds; one that hangs must not
// keep the program's window from showing for long.
constexpr auto kReplyBound = std::chrono::seconds(2);
// get_tree grows with the windows open; far above any real desktop's.
constexpr std::uint32_t kLongestReply = 64u << 20;

struct Header {
  char magic[sizeof kMagic];
  std::uint32_t length;
  std::uint32_t type;
} __attribute__((packed));

}  // namespace

std::unique_ptr<SwayIpc> SwayIpc::Connect(const std::string& socket_path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket_path.empty() || socket_path.size() >= sizeof address.sun_path) return nullptr;
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<SwayIpc>(new SwayIpc(fd));
}

SwayIpc::~SwayIpc() { Close(); }

void SwayIpc::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

std::optional<std::string> SwayIpc::Request(Type type, const std::string& payload) {
  if (fd_ < 0) return std::nullopt;
  Header header{};
  std::memcpy(header.magic, kMagic, sizeof kMagic);
  header.length = static_cast<std::uint32_t>(payload.size());
  header.type = static_cast<std::uint32_t>(type);
  const auto deadline = std::chrono::steady_clock::now() + kReplyBound;
  Header reply{};
  if (!WriteAll(&header, sizeof header) || !WriteAll(payload.data(), payload.size()) ||
      !ReadAll(&reply, sizeof reply, deadline) ||
      std::memcmp(reply.magic, kMagic, sizeof kMagic) != 0 || reply.type != header.type ||
      reply.length > kLongestReply) {
    Close();
    return std::nullopt;
  }
  std::string body(reply.length, '\0');
  if (!ReadAll(body.data(), body.size(), deadline)) {
    Close();
    return std::nullopt;
  }
  return body;
}

bool SwayIpc::WriteAll(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    // MSG_NOSIGNAL: a compositor gone away must not end us with SIGPIPE.
    const ssize_t sent = send(fd_, bytes, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool SwayIpc::ReadAll(void* data, std::size_t size,
                      std::chrono::steady_clock::time_point deadline) {
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t got = recv(fd_, bytes, size, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace brevolt::platform
