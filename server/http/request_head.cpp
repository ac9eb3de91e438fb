#include "server/http/request_head.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>

namespace brevolt::signup {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;

constexpr int kBadRequest = 400;
constexpr int kPayloadTooLarge = 413;
constexpr int kHeaderFieldsTooLarge = 431;
constexpr unsigned kHttp11 = 11;

std::string_view view(beast::string_view text) { return {text.data(), text.size()}; }

}  // namespace

std::string_view path_of(const HttpRequest& request) {
  const auto target = view(request.target());
  return target.substr(0, target.find('?'));
}

std::string_view query_of(const HttpRequest& request) {
  const auto target = view(request.target());
  const auto mark = target.find('?');
  return mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

std::string forwarded_for(const HttpRequest& request) {
  std::string joined;
  const auto [first, last] = request.equal_range("X-Forwarded-For");
  for (auto field = first; field != last; ++field) {
    if (!joined.empty()) joined += ',';
    joined += view(field->value());
  }
  return joined;
}

std::optional<int> refusal_for(const beast::error_code& error) {
  if (error == http::error::body_limit) return kPayloadTooLarge;
  if (error == http::error::header_limit) return kHeaderFieldsTooLarge;
  // Bytes the parser cannot place yet (a chunk line or a trailer that does
  // not end) filled the buffer.
  if (error == http::error::buffer_overflow) return kBadRequest;
  if (error == http::error::end_of_stream || error == http::error::partial_message) {
    return std::nullopt;
  }
  if (error.category() == http::make_error_code(http::error::bad_target).category()) {
    return kBadRequest;
  }
  return std::nullopt;
}

// Framing a proxy in front could read otherwise than we do. The parser
// takes any Transfer-Encoding but chunked for "no body", and the body would
// then be served as the next request: only plain chunked is taken.
std::optional<int> refusal_of_head(const HttpRequest& request) {
  const auto codings = request.count(http::field::transfer_encoding);
  if (codings > 0 &&
      (codings > 1 || request.count(http::field::content_length) > 0 ||
       !beast::iequals(request[http::field::transfer_encoding], "chunked"))) {
    return kBadRequest;
  }
  const auto hosts = request.count(http::field::host);
  if (hosts > 1 || (hosts == 0 && request.version() >= kHttp11)) return kBadRequest;
  return std::nullopt;
}

}  // namespace brevolt::signup
