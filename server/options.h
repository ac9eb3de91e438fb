#pragma once
// The command line of the sign-up server.
#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "server/constants.h"
#include "server/http/client_address.h"
#include "server/mail/mail_budget.h"

namespace brevolt::signup {

struct ListenAddress {
  std::string host;
  int port = 0;  // 0 lets the system pick a free port
};

// Confirmation by mail; off while `smtp_url` is empty.
struct MailOptions {
  std::string smtp_url;    // smtp://[user:password@]HOST:PORT or smtps://...
  std::string from;        // the address mail comes from
  std::string public_url;  // base of every link in a mail, no trailing slash
  // Confirmation mails at most, in all and per recipient domain.
  BudgetLimit budget{kDefaultMailBudget, kDefaultMailBudgetPeriod};
  BudgetLimit domain_budget{kDefaultDomainMailBudget, kDefaultMailBudgetPeriod};
  bool budget_given = false;
  // Pending sign-ups are forgotten this many days after their last mail.
  int pending_days = kDefaultPendingDays;
};

enum class Command {
  Serve,
  Export,  // the list to stdout
  Erase,   // one person, everywhere
  Stats,   // the daily counts
};

enum class StatsFormat { Table, Csv, Json };

struct Options {
  Command command = Command::Serve;
  ListenAddress listen;
  // An SQLite file's path, or a postgresql:// (postgres://) URI.
  std::string db_path;
  std::vector<AddressBlock> trusted_proxies;
  MailOptions mail;
  std::string privacy_url;  // shown under the form when set
  // Between loading the form and sending it, at least.
  std::chrono::seconds form_min_age = kFormTokenMinAge;
  bool export_json = false;  // export: JSON rather than CSV
  std::string erase_email;
  // The admin listener, off unless given; never the public port.
  std::optional<ListenAddress> admin_listen;
  std::string admin_token_file;
  int stats_days = 0;  // set from the defaults when parsed
  StatsFormat stats_format = StatsFormat::Table;
  bool show_help = false;
  bool show_version = false;
};

// A refusal carries one line meant for a person, without a trailing newline.
struct OptionsError {
  std::string message;
};

// HOST:PORT, or [IPv6]:PORT; the port is 0..65535 in decimal.
std::variant<ListenAddress, OptionsError> parse_listen_address(std::string_view text,
                                                               std::string_view flag = "--listen");

// args excludes the program name. `credentials`, when given, is a folder
// (systemd's $CREDENTIALS_DIRECTORY) whose files `db` and `smtp` stand for
// --db and --smtp not given on the command line, so that a password never
// shows among the process's arguments.
std::variant<Options, OptionsError> parse_options(std::span<const std::string_view> args,
                                                  const std::filesystem::path& credentials = {});

std::string usage_text();
// One line: the program's name and version.
std::string version_text();

}  // namespace brevolt::signup
