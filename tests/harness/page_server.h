#pragma once
// A loopback web server for tests: pages are registered by path
// at any time, and every request's path is recorded so a test can wait for
// the page's own scripts to report that they ran.
#include <httplib.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brevolt::test {

struct Route {
  int status = 200;
  std::string content_type = "text/html";
  std::string body;
  httplib::Headers headers;
};

class PageServer {
 public:
  // Port 0 picks a free loopback port.
  explicit PageServer(int port = 0);
  ~PageServer();
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  void Add(const std::string& path, const std::string& content_type, const std::string& body,
           httplib::Headers headers = {});
  void AddPage(const std::string& path, const std::string& html) { Add(path, "text/html", html); }
  // 302 unless told otherwise (303 is what a form's answer uses).
  void AddRedirect(const std::string& from, const std::string& to, int status = 302);
  // An answer with no document, such as 204 No Content.
  void AddBodiless(const std::string& path, int status);

  std::string Url(const std::string& path) const;
  // Paths (with query) of every request so far, in arrival order.
  std::vector<std::string> Requests() const;
  bool Saw(const std::string& path) const;

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  void AddRoute(const std::string& path, Route route);

  std::map<std::string, Route> routes_;
  std::vector<std::string> requests_;
};

// A loopback port with nothing listening on it.
int ClosedPort();

}  // namespace brevolt::test
