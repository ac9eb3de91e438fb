#pragma once
// The HTTP statuses the pages and routes answer with, named once.
namespace brevolt::signup::http_status {

inline constexpr int kOk = 200;
inline constexpr int kSeeOther = 303;
inline constexpr int kNotFound = 404;
inline constexpr int kMethodNotAllowed = 405;
inline constexpr int kGone = 410;
inline constexpr int kUnsupportedMediaType = 415;
inline constexpr int kServiceUnavailable = 503;

}  // namespace brevolt::signup::http_status
