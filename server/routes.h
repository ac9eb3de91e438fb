#pragma once
// The sign-up journey: form, submission, and its two final pages.
#include "server/log_sink.h"

namespace httplib {
class Server;
}

namespace brevolt::signup {

class SignupStore;

// store and log must outlive the server's handling of requests.
void install_routes(httplib::Server& http, SignupStore& store, LogSink log);

}  // namespace brevolt::signup
