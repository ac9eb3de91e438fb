#pragma once
// An answer as it goes on the wire: status, the journey's fixed headers,
// Date, and the page.
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <chrono>
#include <string>

#include "server/http/routes.h"

namespace brevolt::signup {

using HttpResponse = boost::beast::http::response<boost::beast::http::string_body>;

// HEAD gets the headers GET would, the length included, and no body.
HttpResponse make_response(Answer answer, unsigned version, bool keep_alive, bool head);

// The IMF-fixdate form HTTP dates take: "Sun, 06 Nov 1994 08:49:37 GMT".
std::string http_date(std::chrono::system_clock::time_point when);

}  // namespace brevolt::signup
