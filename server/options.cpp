#include "server/options.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>

#include "server/constants.h"
#include "server/validation.h"

namespace brevolt::signup {
namespace {

constexpr int kMaxPort = 65535;
constexpr std::string_view kListenFlag = "--listen";
constexpr std::string_view kDbFlag = "--db";
constexpr std::string_view kTrustedProxyFlag = "--trusted-proxy";
constexpr std::string_view kHelpFlag = "--help";
constexpr std::string_view kVersionFlag = "--version";
constexpr std::string_view kVersion = BREVOLT_VERSION;
constexpr std::string_view kSmtpFlag = "--smtp";
constexpr std::string_view kMailFromFlag = "--mail-from";
constexpr std::string_view kPublicUrlFlag = "--public-url";
constexpr std::string_view kPrivacyUrlFlag = "--privacy-url";
constexpr std::string_view kFormatFlag = "--format";
constexpr std::string_view kMailBudgetFlag = "--mail-budget";
constexpr std::string_view kDomainBudgetFlag = "--mail-budget-domain";
constexpr std::string_view kFormMinSecondsFlag = "--form-min-seconds";
// A person needs seconds, not hours; more would refuse everyone.
constexpr int kMostFormMinSeconds = 600;
constexpr std::string_view kPendingDaysFlag = "--pending-days";
// Ten years: past it the number is a typo, not a policy.
constexpr int kMostPendingDays = 3650;
constexpr std::string_view kExportCommand = "export";
constexpr std::string_view kEraseCommand = "erase";
constexpr std::string_view kStatsCommand = "stats";
constexpr std::string_view kAdminListenFlag = "--admin-listen";
constexpr std::string_view kAdminTokenFlag = "--admin-token-file";
constexpr std::string_view kDaysFlag = "--days";

// The flags that take a value, per command.
constexpr std::string_view kServeFlags[] = {
    kListenFlag,       kDbFlag,             kTrustedProxyFlag, kSmtpFlag,
    kMailFromFlag,     kPublicUrlFlag,      kPrivacyUrlFlag,   kMailBudgetFlag,
    kDomainBudgetFlag, kFormMinSecondsFlag, kPendingDaysFlag,  kAdminListenFlag,
    kAdminTokenFlag};
constexpr std::string_view kStatsFlags[] = {kDbFlag, kDaysFlag, kFormatFlag};
constexpr std::string_view kExportFlags[] = {kDbFlag, kFormatFlag};
constexpr std::string_view kEraseFlags[] = {kDbFlag};

std::span<const std::string_view> flags_of(Command command) {
  switch (command) {
    case Command::Export: return kExportFlags;
    case Command::Erase: return kEraseFlags;
    case Command::Stats: return kStatsFlags;
    case Command::Serve: break;
  }
  return kServeFlags;
}

// A URL as a message may show it: whatever stands between "//" and the
// host's "@" could hold a password, and goes whether the URL parses or not.
std::string without_login(std::string_view url) {
  const auto start = url.find("//");
  if (start == std::string_view::npos) return std::string(url);
  const auto authority = url.substr(start + 2, url.find_first_of("/?#", start + 2) - start - 2);
  const auto at = authority.rfind('@');
  if (at == std::string_view::npos) return std::string(url);
  return std::string(url.substr(0, start + 2)) + "..." +
         std::string(url.substr(start + 2 + at));
}

using UriPtr = std::unique_ptr<GUri, decltype(&g_uri_unref)>;

UriPtr parse_uri(std::string_view text) {
  const std::string copy(text);
  return {g_uri_parse(copy.c_str(), G_URI_FLAGS_HAS_PASSWORD, nullptr), &g_uri_unref};
}

// Empty when `text` is an absolute URL with a host and one of `schemes`.
std::string url_problem(std::string_view flag, std::string_view text,
                        std::initializer_list<std::string_view> schemes) {
  const auto uri = parse_uri(text);
  std::string names;
  for (const auto scheme : schemes) {
    names += (names.empty() ? "" : " or ") + std::string(scheme) + "://";
  }
  const auto bad =
      std::string(flag) + " needs a " + names + " URL, not '" + without_login(text) + "'";
  if (!uri || !g_uri_get_host(uri.get()) || !*g_uri_get_host(uri.get())) return bad;
  const std::string_view scheme = g_uri_get_scheme(uri.get());
  if (std::find(schemes.begin(), schemes.end(), scheme) == schemes.end()) return bad;
  return {};
}

// One-click unsubscribing (RFC 8058) is posted by mailbox providers to
// https only; plain http is left for a server tried on this machine.
std::string public_url_problem(std::string_view text) {
  if (auto problem = url_problem(kPublicUrlFlag, text, {"http", "https"}); !problem.empty()) {
    return problem;
  }
  const auto uri = parse_uri(text);
  if (std::string_view(g_uri_get_scheme(uri.get())) == "https") return {};
  const std::string_view host = g_uri_get_host(uri.get());
  const auto address = parse_ip_address(host);
  const auto loopback_v4 = parse_address_block("127.0.0.0/8");
  const auto loopback_v6 = parse_address_block("::1");
  if (host == "localhost" ||
      (address && (loopback_v4->contains(*address) || loopback_v6->contains(*address)))) {
    return {};
  }
  return std::string(kPublicUrlFlag) +
         " must be an https:// URL (mail providers send one-click unsubscribes over https "
         "only); http:// is for a loopback host alone";
}

// The file `name` in `folder` without its final line end; nothing when the
// folder is not given or holds no such file. An empty file counts as none.
std::variant<std::optional<std::string>, OptionsError> credential(
    const std::filesystem::path& folder, std::string_view name) {
  if (folder.empty()) return std::nullopt;
  const auto path = folder / name;
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in && !in.eof()) {
    return OptionsError{"cannot read the credential " + path.string()};
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (text.empty()) return std::nullopt;
  return text;
}

// What a command line must hold together; empty when it does.
std::string combination_problem(const Options& options) {
  const auto& mail = options.mail;
  if (options.command == Command::Erase && options.erase_email.empty()) {
    return "erase needs the e-mail address to remove";
  }
  if (!options.admin_token_file.empty() && !options.admin_listen) {
    return "--admin-token-file only applies with --admin-listen";
  }
  if (options.admin_listen && options.admin_listen->port != 0 &&
      options.admin_listen->port == options.listen.port) {
    return "--admin-listen needs a port of its own, not the public one";
  }
  if (mail.smtp_url.empty()) {
    if (!mail.from.empty() || !mail.public_url.empty() || mail.budget_given) {
      return "--mail-from, --public-url and the mail budgets only apply with --smtp";
    }
  } else {
    if (auto problem = url_problem(kSmtpFlag, mail.smtp_url, {"smtp", "smtps"}); !problem.empty()) {
      return problem;
    }
    if (mail.from.empty()) return "--smtp needs --mail-from ADDRESS";
    if (mail.public_url.empty()) return "--smtp needs --public-url URL, the base of the links";
    if (auto problem = mail_address_problem(mail.from); !problem.empty()) {
      return "bad --mail-from address: " + problem;
    }
    if (auto problem = public_url_problem(mail.public_url); !problem.empty()) return problem;
  }
  if (!options.privacy_url.empty()) {
    return url_problem(kPrivacyUrlFlag, options.privacy_url, {"http", "https"});
  }
  return {};
}

// A whole number from 0 to `most`, in decimal digits only.
std::optional<int> parse_decimal(std::string_view text, int most) {
  if (text.empty()) return std::nullopt;
  int number = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, number);
  // from_chars accepts a leading '-', which neither a port nor a count has.
  if (ec != std::errc{} || ptr != end || text.front() == '-' || number > most) {
    return std::nullopt;
  }
  return number;
}

}  // namespace

std::variant<ListenAddress, OptionsError> parse_listen_address(std::string_view text,
                                                               std::string_view flag) {
  const auto bad = [&](std::string_view why) {
    return OptionsError{"bad " + std::string(flag) + " address '" + std::string(text) +
                        "': " + std::string(why)};
  };
  std::string_view host;
  std::string_view port_text;
  if (text.starts_with('[')) {
    const auto close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
      return bad("expected [IPV6]:PORT");
    }
    host = text.substr(1, close - 1);
    port_text = text.substr(close + 2);
  } else {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) return bad("expected HOST:PORT");
    host = text.substr(0, colon);
    port_text = text.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) return bad("write IPv6 hosts as [HOST]:PORT");
  }
  if (host.empty()) return bad("the host is empty");
  const auto port = parse_decimal(port_text, kMaxPort);
  if (!port) return bad("the port must be a number from 0 to 65535");
  return ListenAddress{std::string(host), *port};
}

std::variant<Options, OptionsError> parse_options(std::span<const std::string_view> args,
                                                  const std::filesystem::path& credentials) {
  // Filled in field by field: GCC 12 at -O3 takes the unwinding of a
  // half-built aggregate of strings for a use of an uninitialised one.
  Options options;
  options.listen.host = kDefaultHost;
  options.listen.port = kDefaultPort;
  options.db_path = kDefaultDbPath;
  std::size_t i = 0;
  if (!args.empty() && args[0] == kExportCommand) options.command = Command::Export;
  if (!args.empty() && args[0] == kEraseCommand) options.command = Command::Erase;
  if (!args.empty() && args[0] == kStatsCommand) options.command = Command::Stats;
  options.stats_days = kDefaultStatsDays;
  if (options.command != Command::Serve) ++i;
  const auto flags = flags_of(options.command);
  bool given_db = false;
  for (; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == kHelpFlag) {
      options.show_help = true;
      continue;
    }
    if (arg == kVersionFlag) {
      options.show_version = true;
      continue;
    }
    if (options.command == Command::Erase && !arg.starts_with("-") && options.erase_email.empty()) {
      options.erase_email = std::string(arg);
      continue;
    }
    // Both "--flag VALUE" and "--flag=VALUE" are accepted.
    std::string_view flag = arg;
    std::optional<std::string_view> value;
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      flag = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (std::find(flags.begin(), flags.end(), flag) == flags.end()) {
      return OptionsError{"unknown option '" + std::string(arg) + "' (try --help)"};
    }
    if (!value) {
      if (i + 1 >= args.size()) return OptionsError{std::string(flag) + " needs a value"};
      value = args[++i];
    }
    if (flag == kListenFlag) {
      auto listen = parse_listen_address(*value);
      if (auto* error = std::get_if<OptionsError>(&listen)) return *error;
      options.listen = std::get<ListenAddress>(std::move(listen));
    } else if (flag == kTrustedProxyFlag) {
      const auto block = parse_address_block(*value);
      if (!block) {
        return OptionsError{"bad --trusted-proxy '" + std::string(*value) +
                            "': expected an IP address, optionally with /PREFIX"};
      }
      options.trusted_proxies.push_back(*block);
    } else if (flag == kDbFlag) {
      if (value->empty()) return OptionsError{"--db needs a file path or a postgresql:// URI"};
      options.db_path = std::string(*value);
      given_db = true;
    } else if (flag == kAdminListenFlag) {
      auto listen = parse_listen_address(*value, kAdminListenFlag);
      if (auto* error = std::get_if<OptionsError>(&listen)) return *error;
      options.admin_listen = std::get<ListenAddress>(std::move(listen));
    } else if (flag == kAdminTokenFlag) {
      if (value->empty()) return OptionsError{"--admin-token-file needs a file path"};
      options.admin_token_file = std::string(*value);
    } else if (flag == kDaysFlag) {
      const auto days = parse_decimal(*value, kMaxStatsDays);
      if (!days || *days < 1) {
        return OptionsError{"--days needs a number from 1 to " + std::to_string(kMaxStatsDays)};
      }
      options.stats_days = *days;
    } else if (flag == kFormatFlag && options.command == Command::Stats) {
      if (*value == "table") {
        options.stats_format = StatsFormat::Table;
      } else if (*value == "csv") {
        options.stats_format = StatsFormat::Csv;
      } else if (*value == "json") {
        options.stats_format = StatsFormat::Json;
      } else {
        return OptionsError{"--format is table, csv or json"};
      }
    } else if (flag == kFormatFlag) {
      if (*value != "csv" && *value != "json") return OptionsError{"--format is csv or json"};
      options.export_json = *value == "json";
    } else if (flag == kMailBudgetFlag || flag == kDomainBudgetFlag) {
      const auto budget = parse_budget(*value);
      if (!budget) {
        return OptionsError{std::string(flag) + " needs N/PERIOD, N at least 1 and PERIOD s, min "
                            "or h (as in 100/h), not '" + std::string(*value) + "'"};
      }
      (flag == kMailBudgetFlag ? options.mail.budget : options.mail.domain_budget) = *budget;
      options.mail.budget_given = true;
    } else if (flag == kFormMinSecondsFlag) {
      int seconds = -1;
      const auto* end = value->data() + value->size();
      const auto [ptr, ec] = std::from_chars(value->data(), end, seconds);
      if (ec != std::errc{} || ptr != end || seconds < 0 || seconds > kMostFormMinSeconds) {
        return OptionsError{"--form-min-seconds needs a whole number from 0 to " +
                            std::to_string(kMostFormMinSeconds)};
      }
      options.form_min_age = std::chrono::seconds(seconds);
    } else if (flag == kPendingDaysFlag) {
      const auto days = parse_decimal(*value, kMostPendingDays);
      if (!days || *days < 1) {
        return OptionsError{"--pending-days needs a number of days from 1 to " +
                            std::to_string(kMostPendingDays)};
      }
      options.mail.pending_days = *days;
    } else if (flag == kSmtpFlag) {
      options.mail.smtp_url = std::string(*value);
    } else if (flag == kMailFromFlag) {
      options.mail.from = std::string(*value);
    } else if (flag == kPublicUrlFlag) {
      // Links are made by appending a path.
      options.mail.public_url = std::string(*value);
      while (options.mail.public_url.ends_with('/')) options.mail.public_url.pop_back();
    } else {
      options.privacy_url = std::string(*value);
    }
  }
  if (options.show_help || options.show_version) return options;
  // The command line wins: an operator's own flag overrides the service's.
  const std::pair<std::string_view, std::string*> from_files[] = {
      {kDbFlag, given_db ? nullptr : &options.db_path},
      {kSmtpFlag, options.mail.smtp_url.empty() ? &options.mail.smtp_url : nullptr}};
  for (const auto& [flag, target] : from_files) {
    if (!target || std::find(flags.begin(), flags.end(), flag) == flags.end()) continue;
    auto read = credential(credentials, flag.substr(2));
    if (auto* error = std::get_if<OptionsError>(&read)) return *error;
    if (auto& text = std::get<std::optional<std::string>>(read)) *target = std::move(*text);
  }
  if (auto problem = combination_problem(options); !problem.empty()) return OptionsError{problem};
  return options;
}

std::string usage_text() {
  const std::string name(kProgramName);
  std::string text;
  text += "Usage: " + name +
          " [--listen HOST:PORT] [--db PATH|URI] [--trusted-proxy ADDR[/PREFIX]]...\n"
          "         [--smtp URL --mail-from ADDRESS --public-url URL [--mail-budget N/PERIOD]\n"
          "         [--mail-budget-domain N/PERIOD]] [--privacy-url URL] [--form-min-seconds N]\n"
          "         [--admin-listen HOST:PORT [--admin-token-file PATH]]\n";
  text += "       " + name + " export [--db PATH|URI] [--format csv|json]\n";
  text += "       " + name + " erase [--db PATH|URI] EMAIL\n";
  text += "       " + name + " stats [--db PATH|URI] [--days N] [--format table|csv|json]\n";
  text += "Serves the mailing-list sign-up page at " + std::string(kFormPath) +
          " and records sign-ups in an SQLite file or a PostgreSQL database.\n\n";
  text += "  --listen HOST:PORT  address to listen on (default " + std::string(kDefaultHost) + ":" +
          std::to_string(kDefaultPort) + "); port 0 picks a free port\n";
  text += "  --db PATH           SQLite file of sign-ups, created if missing (default ./" +
          std::string(kDefaultDbPath) + ")\n";
  text += "  --db URI            postgresql://... (or postgres://...): a PostgreSQL database,\n"
          "                      which several servers may share\n";
  text += "  --trusted-proxy ADDR[/PREFIX]\n"
          "                      a proxy whose X-Forwarded-For names the client (repeatable)\n";
  text += "  --smtp URL          confirm each sign-up by mail through this relay:\n"
          "                      smtp://[USER:PASSWORD@]HOST:PORT (STARTTLS where offered,\n"
          "                      and required with a login) or smtps://...; without it\n"
          "                      sign-ups count as confirmed\n";
  text += "  --mail-from ADDRESS the address mail comes from (with --smtp)\n";
  text += "  --public-url URL    where this server is reached from outside: the base of\n"
          "                      the confirm and unsubscribe links (with --smtp); https,\n"
          "                      or http on a loopback host only\n";
  text += "  --pending-days N    forget sign-ups still unconfirmed N days after their last\n"
          "                      mail, consent record included (default " +
          std::to_string(kDefaultPendingDays) + "; with --smtp)\n";
  text += "  --mail-budget N/PERIOD\n"
          "                      confirmation mails sent at most in any PERIOD (s, min or h);\n"
          "                      the rest wait in the outbox, in order (default " +
          budget_text({kDefaultMailBudget, kDefaultMailBudgetPeriod}) + ")\n";
  text += "  --mail-budget-domain N/PERIOD\n"
          "                      the same for each recipient domain (default " +
          budget_text({kDefaultDomainMailBudget, kDefaultMailBudgetPeriod}) + ")\n";
  text += "  --privacy-url URL   link to your privacy notice, shown under the form\n";
  text += "  --form-min-seconds N\n"
          "                      a sign-up sent sooner after loading the form is refused\n"
          "                      (default " + std::to_string(kFormTokenMinAge.count()) + ")\n";
  text += "  --admin-listen HOST:PORT\n"
          "                      serve the metrics (/metrics) and the dashboard (/) here;\n"
          "                      off unless given, and never on the public port\n";
  text += "  --admin-token-file PATH\n"
          "                      the token every admin request must present (Bearer, or\n"
          "                      as the password of HTTP Basic); else $CREDENTIALS_DIRECTORY/" +
          std::string(kAdminTokenCredential) + " if present.\n"
          "                      Needed unless the admin address is loopback\n";
  text += "  --help              show this text\n";
  text += "  --version           show the version (" + std::string(kVersion) + ")\n\n";
  text += "--db and --smtp not given may come from the files db and smtp in\n"
          "$CREDENTIALS_DIRECTORY (systemd's LoadCredential=), keeping passwords off\n"
          "the command line.\n\n";
  text += "export writes every person on the list to stdout, with the columns\n"
          "email,name,status,signed_up_at,confirmed_at,unsubscribed_at,consent_address\n"
          "(status pending, confirmed or unsubscribed): CSV with a header row (the default)\n"
          "or a JSON array of objects with the same keys.\n";
  text += "stats prints one row per UTC day of the last N days (default " +
          std::to_string(kDefaultStatsDays) + ", days without\n"
          "anything are zeros), columns day,views,signups,confirmed,unsubscribed, then the\n"
          "totals and the conversion: sign-ups per view, confirmed per sign-up.\n";
  text += "erase removes the person with that address (in any letter case) from every\n"
          "table and the database's own log, mail waiting for them included, and prints\n"
          "how many people it removed; it fails if a copy could not be cleared.\n\n";
  text += "Prints one line 'listening on URL' once it accepts connections, then one line\n"
          "'METHOD PATH STATUS' for each request answered. " + std::string(kHealthPath) +
          " answers 200 while the store does.\n";
  text += "SIGTERM or SIGINT stops it after the requests in progress have been answered.\n";
  return text;
}

std::string version_text() { return std::string(kProgramName) + " " + std::string(kVersion) + "\n"; }

}  // namespace brevolt::signup
