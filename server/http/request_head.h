#pragma once
// What a session reads from a request before routing it: its parts, the
// client a proxy names, and whether it can be served at all.
#include <boost/beast/core/error.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace brevolt::signup {

using HttpRequest = boost::beast::http::request<boost::beast::http::string_body>;

std::string_view path_of(const HttpRequest& request);
std::string_view query_of(const HttpRequest& request);
// Every X-Forwarded-For line, in order, as one list.
std::string forwarded_for(const HttpRequest& request);

// The status a failed read is refused with, or nothing when there is no
// request to answer (a reset, a timeout, a stop).
std::optional<int> refusal_for(const boost::beast::error_code& error);
// The status a head is refused with before its body is read.
std::optional<int> refusal_of_head(const HttpRequest& request);

}  // namespace brevolt::signup
