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
// For load balancers and monitors: 200 while the store answers, else 503.
inline constexpr std::string_view kHealthPath = "/healthz";

// Command-line defaults.
inline constexpr std::string_view kDefaultHost = "127.0.0.1";
inline constexpr int kDefaultPort = 8917;
inline constexpr std::string_view kDefaultDbPath = "brevolt-signups.db";

// Input limits, in characters (Unicode code points) and bytes.
inline constexpr std::size_t kMaxNameChars = 200;
inline constexpr std::size_t kMaxEmailChars = 254;
inline constexpr std::size_t kMaxBodyBytes = 16 * std::size_t{1024};

// How long a write waits for a lock held by another writer (or for the
// database server) before the sign-up is given up and the visitor is sent
// to the apology page.
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{3000};
// Store calls run at once (PostgreSQL connections).
inline constexpr std::size_t kStoreConnections = 4;
// Threads for store calls: more than the connections, so that sign-ups
// keep arriving at the store while every connection writes, to be written
// together next.
inline constexpr std::size_t kStoreThreads = 8;
// Sign-ups written in one transaction at most, so that one slow batch
// cannot hold the rest past their deadline.
inline constexpr std::size_t kMostSignupsPerCommit = 64;
// Sign-ups without confirmation mail are written by one connection at a
// time: those arriving while it commits gather into its next batch. A few
// large statements cost the database less than several small ones side by
// side (measured here: a third more sign-ups a second), and the rest of the
// pool stays free for mailed sign-ups, links and health checks.
inline constexpr std::size_t kConfirmedSignupWriters = 1;

// A connection waiting on its client costs a socket and a buffer, never a
// thread, so slow clients are bounded by these rather than by workers.
// Each request, headers and body, must have arrived this long after its
// connection opened (or, on a kept-alive connection, after the previous
// answer was sent); a client that trickles it is cut off.
inline constexpr std::chrono::seconds kRequestDeadline{10};
// Sending an answer to a client that does not read it.
inline constexpr std::chrono::seconds kWriteTimeout{5};
// After refusing a request whose body is still arriving, the rest is read
// and dropped for this long before closing, so that the refusal is not
// lost to a reset.
inline constexpr std::chrono::seconds kLingerTimeout{2};
// Connections open at once from one client address, and from everyone.
// The open-files limit is raised at start so that the total can be reached.
inline constexpr std::size_t kMaxConnectionsPerAddress = 32;
inline constexpr std::size_t kMaxConnections = 8192;
inline constexpr std::size_t kMaxHeaderBytes = 8 * std::size_t{1024};
// Read but not yet parsed, per connection: a head and a body at most, and
// room for the framing between. A chunk line or a trailer that never ends
// fills it and is refused, rather than growing it for the whole deadline.
inline constexpr std::size_t kMaxBufferedBytes = kMaxHeaderBytes + kMaxBodyBytes + 1024;
// Accepting fails while no descriptor is free, or when the network or a
// firewall refuses one connection; this long until it tries again.
inline constexpr std::chrono::milliseconds kAcceptRetryDelay{100};
// IPv6 clients are counted per network of this prefix: one subscriber gets
// a whole /64 and can pick any address in it.
inline constexpr unsigned kIpv6ClientPrefix = 64;

// Sign-ups recorded per client address: each is a synced write, and one
// connection could otherwise post other people's addresses without end.
inline constexpr std::size_t kMaxSignupsPerWindow = 5;
inline constexpr std::chrono::seconds kSignupWindow{60};

// A sign-up not begun by the store within this is never written and is
// answered with the apology page; past the busy timeout, so that a lock
// alone does not do it. One begun is answered with its result (each of its
// statements has its own bound), or with the apology if the store has not
// answered within three times this.
inline constexpr std::chrono::milliseconds kStoreDeadline{5000};
// After a stop, what is in progress is answered within this; the rest is
// abandoned. Below systemd's stop timeout.
inline constexpr std::chrono::milliseconds kStopBound{8000};

inline constexpr std::string_view kHtmlContentType = "text/html; charset=utf-8";
inline constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

// The mailing list: confirmation by mail, and leaving it.
inline constexpr std::string_view kConfirmPath = "/confirm";
inline constexpr std::string_view kUnsubscribePath = "/unsubscribe";
// The query or form field that carries a link's token.
inline constexpr std::string_view kTokenField = "t";
// RFC 8058: what a mailbox provider posts to unsubscribe in one click.
inline constexpr std::string_view kOneClickField = "List-Unsubscribe";
inline constexpr std::string_view kOneClickValue = "One-Click";
// Sent by the unsubscribe page's own button as well, so that the two ways
// of leaving are counted apart.
inline constexpr std::string_view kViaField = "via";
inline constexpr std::string_view kViaPageValue = "page";
// Raised whenever the form's wording changes, so each consent record says
// which text the person agreed to.
inline constexpr std::string_view kFormVersion = "2";
inline constexpr std::string_view kFormVersionField = "form";
// Random bytes in a link's token; only their SHA-256 is stored.
inline constexpr std::size_t kTokenBytes = 32;
// How long a confirmation link works.
inline constexpr std::chrono::hours kConfirmationLifetime{48};
// A pending address signing up again gets at most one mail this often.
inline constexpr std::chrono::minutes kResendInterval{10};
// Characters that could add a header or a recipient to a mail; an address
// holding one is refused.
inline constexpr std::string_view kMailUnsafeChars = "\r\n,<>\"";

// The outbox. A mail the relay refuses or cannot take is tried again after
// a delay that doubles from the first, up to a cap: low in the first hour
// so that a relay back up is used at once, higher after.
inline constexpr std::chrono::seconds kFirstRetryDelay{1};
inline constexpr std::chrono::seconds kRetryCapFirstHour{60};
inline constexpr std::chrono::hours kEagerRetryPeriod{1};
inline constexpr std::chrono::seconds kRetryCapLater{600};
// A mail being sent is leased to one worker this long; a worker that dies
// mid-send leaves it to be sent again once the lease runs out.
inline constexpr std::chrono::seconds kSendLease{120};
// Longest an idle worker waits before looking for mail another instance
// left due; its own instance's new mail wakes it at once.
inline constexpr std::chrono::seconds kOutboxIdlePoll{30};
// After the store failed, the worker waits this long before asking again.
inline constexpr std::chrono::seconds kOutboxStoreRetry{2};
// Talking to the relay.
inline constexpr std::chrono::seconds kSmtpConnectTimeout{10};
inline constexpr std::chrono::seconds kSmtpTimeout{60};
inline constexpr std::string_view kConfirmationSubject = "Please confirm your subscription";

// The admin listener: metrics for the monitoring, the dashboard for the maker.
inline constexpr std::string_view kMetricsPath = "/metrics";
inline constexpr std::string_view kDashboardPath = "/";
inline constexpr std::string_view kDaysField = "days";
// The spans the dashboard offers, in days; the first page shows the second.
inline constexpr int kDashboardSpans[] = {7, 30, 90, 365};
inline constexpr int kDefaultDashboardDays = 30;
// The file systemd's LoadCredential= puts the admin token in.
inline constexpr std::string_view kAdminTokenCredential = "admin-token";
// Shorter tokens could be guessed by anyone who can reach the listener.
inline constexpr std::size_t kMinAdminTokenChars = 16;
// Requests refused for a missing or wrong token are logged at most this
// often, with a count.
inline constexpr std::chrono::seconds kAdminRefusalLogInterval{10};
// Form views wait in memory this long at most before they are added to the
// store's day, so that a view costs no write of its own.
inline constexpr std::chrono::seconds kViewFlushInterval{5};
// stats: the days shown unless --days says otherwise, and the most it takes.
inline constexpr int kDefaultStatsDays = 30;
inline constexpr int kMaxStatsDays = 3660;
// The form's own token, in a hidden field: when it was issued and a random
// nonce, signed under a secret the store keeps. It is not tied to the
// client's address, which changes under a carrier's NAT between loading the
// form and sending it.
inline constexpr std::string_view kFormTokenField = "ft";
inline constexpr std::chrono::hours kFormTokenLifetime{2};
// No person fills in two fields faster than this.
inline constexpr std::chrono::seconds kFormTokenMinAge{2};
inline constexpr std::size_t kFormNonceBytes = 16;
inline constexpr std::size_t kFormSecretBytes = 32;
// A field people never see or reach; whatever fills it is a program.
inline constexpr std::string_view kHoneypotField = "website";

// Confirmation mails sent at most, in all and per recipient domain, in any
// window of the period: what a flood of forged sign-ups can send is bounded
// by these. Mail over budget waits in the outbox.
inline constexpr std::size_t kDefaultMailBudget = 1000;
inline constexpr std::size_t kDefaultDomainMailBudget = 100;
inline constexpr std::chrono::hours kDefaultMailBudgetPeriod{1};
// After this many mails to an address still pending, it gets at most one a
// day: a person who lost the first two has had their chance to ask again.
inline constexpr int kEagerMails = 2;
inline constexpr std::chrono::hours kLaterResendInterval{24};
// Sign-ups never confirmed are forgotten, consent record and mail with
// them, this many days after their last mail (--pending-days); the worker
// looks for them this often.
inline constexpr int kDefaultPendingDays = 30;
inline constexpr std::chrono::hours kPendingSweepInterval{1};
// PostgreSQL: a connection to the database server must be made within the
// busy timeout; an idle one is probed so that a silent partition is noticed
// within idle + interval * count rather than the kernel's two hours.
inline constexpr std::chrono::seconds kPgKeepaliveIdle{10};
inline constexpr std::chrono::seconds kPgKeepaliveInterval{5};
inline constexpr int kPgKeepaliveCount = 3;
// Schema changes, export and erase may read or rewrite the whole list, and
// wait for the running servers' locks: limits for maintenance, not visitors.
inline constexpr std::chrono::minutes kMaintenanceStatementTimeout{60};
inline constexpr std::chrono::minutes kMaintenanceLockTimeout{5};
// erase: how many busy timeouts it waits for readers to let go of the
// SQLite write-ahead log before it says the log still holds the person.
inline constexpr int kEraseLogAttempts = 4;

}  // namespace brevolt::signup
