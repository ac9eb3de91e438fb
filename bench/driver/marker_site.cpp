#include "bench/driver/marker_site.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace brevolt::bench {
namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr const char* kFormPath = "/posttobrevolt2.asp";
constexpr const char* kThankYouPath = "/thankyou.html";
constexpr const char* kHtml = "text/html";
constexpr const char* kFormPage =
    "<!DOCTYPE html><title>Sign up</title>"
    "<script>location.href = '/thankyou.html';</script>";
constexpr const char* kThankYouPage = "<!DOCTYPE html><title>Thank you</title><p>Thank you.";
constexpr auto kStartTimeout = 5s;

}  // namespace

MarkerSite::MarkerSite(int port) {
  server_.Get(kFormPath, [](const httplib::Request&, httplib::Response& response) {
    response.set_content(kFormPage, kHtml);
  });
  server_.Get(kThankYouPath, [this](const httplib::Request&, httplib::Response& response) {
    const auto at = Clock::now();
    {
      std::lock_guard lock(mutex_);
      if (!marker_request_) marker_request_ = at;
    }
    response.set_content(kThankYouPage, kHtml);
  });
  // httplib's default SO_REUSEPORT makes Linux refuse the port while an
  // earlier run's connections to it linger in TIME_WAIT; the bench's other
  // listeners take it with SO_REUSEADDR alone, and so does this one.
  server_.set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  if (!server_.bind_to_port(kLoopback, port)) {
    throw std::runtime_error("cannot listen on port " + std::to_string(port));
  }
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  const auto deadline = Clock::now() + kStartTimeout;
  while (!server_.is_running() && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
}

MarkerSite::~MarkerSite() {
  server_.stop();
  thread_.join();
}

std::optional<Clock::time_point> MarkerSite::TakeMarkerRequest() {
  std::lock_guard lock(mutex_);
  return std::exchange(marker_request_, std::nullopt);
}

}  // namespace brevolt::bench
