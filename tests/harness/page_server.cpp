#include "tests/harness/page_server.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace brevolt::test {
namespace {

constexpr const char* kLoopback = "127.0.0.1";

}  // namespace

PageServer::PageServer(int port) {
  server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    std::lock_guard lock(mutex_);
    std::string path = request.path;
    if (!request.params.empty()) {
      path += '?';
      for (const auto& [name, value] : request.params) path += name + '=' + value + '&';
      path.pop_back();
    }
    requests_.push_back(path);
    const auto route = routes_.find(request.path);
    if (route == routes_.end()) {
      response.status = 404;
      return;
    }
    response.status = route->second.status;
    for (const auto& [name, value] : route->second.headers) response.set_header(name, value);
    response.set_content(route->second.body, route->second.content_type);
  });
  // One request per connection: a kept-alive connection would hold stop()
  // for the whole keep-alive timeout.
  server_.set_keep_alive_max_count(1);
  // Without SO_REUSEPORT a second server on a taken port fails loudly
  // instead of sharing it with a test that forgot to take its turn.
  server_.set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  if (port == 0) {
    port_ = server_.bind_to_any_port(kLoopback);
  } else if (server_.bind_to_port(kLoopback, port)) {
    port_ = port;
  }
  if (port_ <= 0) throw std::runtime_error("cannot bind the test web server");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  while (!server_.is_running()) std::this_thread::yield();
}

PageServer::~PageServer() {
  server_.stop();
  thread_.join();
}

void PageServer::Add(const std::string& path, const std::string& content_type,
                     const std::string& body, httplib::Headers headers) {
  AddRoute(path, Route{200, content_type, body, std::move(headers)});
}

void PageServer::AddRoute(const std::string& path, Route route) {
  std::lock_guard lock(mutex_);
  routes_[path] = std::move(route);
}

void PageServer::AddRedirect(const std::string& from, const std::string& to, int status) {
  AddRoute(from, Route{status, "text/plain", "", {{"Location", to}}});
}

void PageServer::AddBodiless(const std::string& path, int status) {
  AddRoute(path, Route{status, "text/plain", "", {}});
}

std::string PageServer::Url(const std::string& path) const {
  return "http://" + std::string(kLoopback) + ":" + std::to_string(port_) + path;
}

std::vector<std::string> PageServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool PageServer::Saw(const std::string& path) const {
  std::lock_guard lock(mutex_);
  return std::find(requests_.begin(), requests_.end(), path) != requests_.end();
}

int ClosedPort() {
  // Bind to an ephemeral port, read it back and close: nobody listens there
  // afterwards, so a connection is refused at once.
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot find a free loopback port");
  }
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace brevolt::test
