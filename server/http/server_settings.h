#pragma once
// What an operator (or a test) may set about the HTTP side.
#include <chrono>
#include <cstddef>
#include <vector>

#include "server/constants.h"
#include "server/http/client_address.h"
#include "server/http/list_routes.h"

namespace brevolt::signup {

struct ServerSettings {
  // Peers whose X-Forwarded-For is believed.
  std::vector<AddressBlock> trusted_proxies;
  std::size_t connections_per_client = kMaxConnectionsPerAddress;
  std::size_t signups_per_window = kMaxSignupsPerWindow;
  std::chrono::steady_clock::duration signup_window = kSignupWindow;
  std::chrono::steady_clock::duration store_deadline = kStoreDeadline;
  std::chrono::steady_clock::duration stop_bound = kStopBound;
  std::size_t store_threads = kStoreThreads;
  // Confirmation by mail, and what the form shows.
  ListSettings list;
};

}  // namespace brevolt::signup
