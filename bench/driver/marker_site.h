#pragma once
// A stand-in sign-up site on the sign-up port whose page moves on to the
// thank-you page by itself as soon as it loads, as a submitted form would;
// the thank-you page's request is stamped on arrival.
#include <httplib.h>

#include <mutex>
#include <optional>
#include <thread>

#include "bench/driver/settings.h"

namespace brevolt::bench {

class MarkerSite {
 public:
  explicit MarkerSite(int port);
  ~MarkerSite();
  MarkerSite(const MarkerSite&) = delete;
  MarkerSite& operator=(const MarkerSite&) = delete;

  // Arrival of the first thank-you request since the last call, if any.
  std::optional<Clock::time_point> TakeMarkerRequest();

 private:
  httplib::Server server_;
  std::thread thread_;
  std::mutex mutex_;
  std::optional<Clock::time_point> marker_request_;
};

}  // namespace brevolt::bench
