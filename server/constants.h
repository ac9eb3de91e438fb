#pragma once
// Every fixed value of the sign-up server, in one place.
#include <chrono>
#include <cstddef>
#include <string_view>

namespace brevolt::signup {

inline constexpr std::string_view kProgramName = "brevolt-signup-server";

// Addresses. The desktop program ends as soon as an address it reaches
// contains "thankyou" or "sorry", so only the two final pages may carry them.
inline constexpr std::string_view kFormPath = "/posttobrevolt2.asp";
inline constexpr std::string_view kThankYouPath = "/thankyou.html";
inline constexpr std::string_view kSorryPath = "/sorry.html";

// Command-line defaults.
inline constexpr std::string_view kDefaultHost = "127.0.0.1";
inline constexpr int kDefaultPort = 8917;
inline constexpr std::string_view kDefaultDbPath = "brevolt-signups.db";

// Input limits, in characters (Unicode code points) and bytes.
inline constexpr std::size_t kMaxNameChars = 200;
inline constexpr std::size_t kMaxEmailChars = 254;
inline constexpr std::size_t kMaxBodyBytes = 16 * 1024;

// How long a write waits for a lock held by another writer before the
// sign-up is given up and the visitor is sent to the apology page.
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{3000};

// Idle keep-alive connections hold a worker until they time out, and a clean
// stop waits for every worker, so this bounds how long a stop can take.
inline constexpr std::chrono::seconds kKeepAliveTimeout{2};
inline constexpr std::chrono::seconds kReadTimeout{5};
inline constexpr std::chrono::seconds kWriteTimeout{5};

// A client that trickles its request holds a worker for as long as it keeps
// sending; the web library bounds each read, not the whole request. Workers
// are cheap idle threads, so many of them keep a few slow clients from
// shutting everyone else out.
inline constexpr std::size_t kWorkerThreads = 64;

inline constexpr std::string_view kHtmlContentType = "text/html; charset=utf-8";
inline constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

}  // namespace brevolt::signup
