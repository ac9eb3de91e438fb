// brevolt-signup-server: serves the mailing-list sign-up page and records
// sign-ups in an SQLite file or a PostgreSQL database.
#include <sys/resource.h>

#include <atomic>
#include <exception>
#include <optional>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "server/admin/admin_auth.h"
#include "server/admin/admin_server.h"
#include "server/admin/stats_command.h"
#include "server/admin/view_flusher.h"
#include "server/constants.h"
#include "server/http/form_guard.h"
#include "server/list_commands.h"
#include "server/mail/mailer.h"
#include "server/store/form_token_store.h"
#include "server/store/mailing_list.h"
#include "server/system/log_sink.h"
#include "server/options.h"
#include "server/http/signup_server.h"
#include "server/store/open_store.h"
#include "server/system/service_notice.h"
#include "server/system/stop_signals.h"

namespace signup = brevolt::signup;

namespace {

constexpr int kUsageError = 2;
constexpr int kRuntimeError = 1;

int fail(int status, std::string_view message) {
  std::cerr << signup::kProgramName << ": " << message << '\n';
  return status;
}

// Each connection is a descriptor; the usual soft limit of 1,024 would stop
// accepting long before the server's own limit on connections.
void raise_open_files_limit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

std::string url_host(const std::string& host) {
  return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const char* credentials = std::getenv("CREDENTIALS_DIRECTORY");
  auto parsed = signup::parse_options(args, credentials ? credentials : "");
  if (const auto* error = std::get_if<signup::OptionsError>(&parsed)) {
    return fail(kUsageError, error->message);
  }
  const auto options = std::get<signup::Options>(std::move(parsed));
  if (options.show_help) {
    std::cout << signup::usage_text();
    return 0;
  }
  if (options.show_version) {
    std::cout << signup::version_text();
    return 0;
  }

  if (options.command == signup::Command::Export) {
    return signup::run_export(options, std::cout, std::cerr);
  }
  if (options.command == signup::Command::Erase) {
    return signup::run_erase(options, std::cout, std::cerr);
  }
  if (options.command == signup::Command::Stats) {
    return signup::run_stats(options, std::cout, std::cerr);
  }

  std::optional<std::string> admin_token;
  if (options.admin_listen) {
    try {
      admin_token = signup::load_admin_token(options.admin_token_file);
    } catch (const std::exception& error) {
      return fail(kUsageError, error.what());
    }
    // Anyone who can reach it could read the figures.
    if (!admin_token && !signup::is_loopback_host(options.admin_listen->host)) {
      return fail(kUsageError, "--admin-listen on a non-loopback address needs a token: "
                               "--admin-token-file PATH, or admin-token in "
                               "$CREDENTIALS_DIRECTORY");
    }
  }

  std::signal(SIGPIPE, SIG_IGN);
  raise_open_files_limit();
  const signup::StopSignals stop_signals;

  std::unique_ptr<signup::SignupStore> store;
  try {
    store = signup::open_store(options.db_path,
                               {signup::kDefaultBusyTimeout, signup::kStoreConnections});
  } catch (const signup::StoreError& error) {
    return fail(kRuntimeError, error.what());
  }

  // Mail goes on a thread of its own, from the outbox the store keeps.
  std::unique_ptr<signup::Mailer> mailer;
  signup::ServerSettings settings;
  settings.trusted_proxies = options.trusted_proxies;
  settings.list.confirm_by_mail = !options.mail.smtp_url.empty();
  settings.list.privacy_url = options.privacy_url;
  settings.list.mail_from = options.mail.from;
  try {
    // Made at the first start and kept in the store, so that every instance
    // on one database signs alike; never shown.
    auto secret = store->form_tokens().form_secret(signup::new_form_secret());
    settings.list.form_guard = std::make_shared<signup::FormGuard>(
        signup::FormTokens(std::move(secret), options.form_min_age), signup::make_stderr_log());
  } catch (const std::exception& error) {
    return fail(kRuntimeError, std::string("cannot keep the form's secret: ") + error.what());
  }
  if (settings.list.confirm_by_mail) {
    mailer =
        std::make_unique<signup::Mailer>(store->list(), options.mail, signup::make_stderr_log());
    settings.list.mail_queued = [mail = mailer.get()] { mail->wake(); };
  }

  bool served = true;
  {
    const signup::ViewFlusher views(*store, signup::make_stderr_log());
    std::unique_ptr<signup::AdminServer> admin;
    signup::SignupServer server(*store, std::move(settings), signup::make_stderr_log(),
                                signup::make_stdout_log());
    const auto port = server.bind(options.listen);
    if (!port) {
      return fail(kRuntimeError, "cannot listen on " + url_host(options.listen.host) + ":" +
                                     std::to_string(options.listen.port));
    }
    std::cout << "listening on http://" << url_host(options.listen.host) << ":" << *port
              << signup::kFormPath << std::endl;
    if (options.admin_listen) {
      admin = std::make_unique<signup::AdminServer>(*store, admin_token, signup::make_stderr_log());
      const auto& address = *options.admin_listen;
      const auto admin_port = admin->bind(address);
      if (!admin_port) {
        return fail(kRuntimeError, "cannot listen on " + url_host(address.host) + ":" +
                                       std::to_string(address.port) + " for --admin-listen");
      }
      std::cout << "admin on http://" << url_host(address.host) << ":" << *admin_port << "/"
                << (admin_token ? " (token required)" : "") << std::endl;
    }
    if (mailer) {
      std::cout << "confirmation mail on: sent from " << options.mail.from << ", links to "
                << options.mail.public_url << std::endl;
      mailer->start();
    } else {
      std::cout << "confirmation mail off: sign-ups count as confirmed at once" << std::endl;
    }
    if (admin) admin->start();
    signup::notify_ready();

    std::atomic<bool> listener_ok{true};
    std::thread listener([&] {
      listener_ok = server.run();
      if (!listener_ok) signup::StopSignals::raise_stop();
    });
    stop_signals.wait();
    signup::notify_stopping();
    server.stop();
    listener.join();  // what was in progress is answered, or abandoned past the bound
    if (admin) admin->stop();
    served = listener_ok;
  }
  mailer.reset();
  store.reset();  // closes the database, folding the write-ahead log back in
  if (!served) return fail(kRuntimeError, "stopped listening unexpectedly");
  return 0;
}
