#include "server/store/postgres/pq_connection.h"

#include <libpq-fe.h>

#include <algorithm>

#include "server/store/signup_store.h"

namespace brevolt::signup {
namespace {

// libpq rounds a connect timeout up to whole seconds, and below two to two.
std::string seconds_at_least_two(std::chrono::milliseconds timeout) {
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(timeout).count();
  return std::to_string(std::max<long long>(2, seconds));
}

std::string one_line(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// CREATE ... IF NOT EXISTS and the like send notices, which libpq would
// print on stderr in the middle of the server's log.
void ignore_notice(void*, const char*) {}

}  // namespace

void PqResultDeleter::operator()(pg_result* result) const { PQclear(result); }
void PqConnection::ConnDeleter::operator()(pg_conn* conn) const { PQfinish(conn); }

PqConnection::PqConnection(const std::string& uri, std::chrono::milliseconds timeout) {
  const std::string connect_timeout = seconds_at_least_two(timeout);
  const std::string user_timeout = std::to_string(timeout.count());
  const std::string options = "-c statement_timeout=" + std::to_string(timeout.count()) +
                              " -c lock_timeout=" + std::to_string(timeout.count());
  // The defaults come first: whatever the URI sets (it is expanded in place
  // of dbname) overrides them.
  const char* const keywords[] = {"connect_timeout", "tcp_user_timeout", "options",
                                  "application_name", "dbname", nullptr};
  const char* const values[] = {connect_timeout.c_str(), user_timeout.c_str(), options.c_str(),
                                "brevolt-signup-server", uri.c_str(), nullptr};
  conn_.reset(PQconnectdbParams(keywords, values, 1));
  if (!conn_) throw StoreError("cannot connect to PostgreSQL: out of memory");
  if (PQstatus(conn_.get()) != CONNECTION_OK) {
    throw StoreError("cannot connect to PostgreSQL: " + error());
  }
  PQsetNoticeProcessor(conn_.get(), ignore_notice, nullptr);
}

PqConnection::~PqConnection() = default;

PqResult PqConnection::run_sql(std::string_view sql) {
  return PqResult(PQexec(conn_.get(), std::string(sql).c_str()));
}

PqResult PqConnection::execute(std::string_view sql) {
  auto result = run_sql(sql);
  if (!succeeded(result)) throw StoreError(failure_text(result, error()));
  return result;
}

void PqConnection::prepare(const std::string& name, const std::string& sql, int parameters) {
  PqResult result(PQprepare(conn_.get(), name.c_str(), sql.c_str(), parameters, nullptr));
  if (!succeeded(result)) throw StoreError(failure_text(result, error()));
  prepared_.insert(name);
}

PqResult PqConnection::run(const std::string& name, const std::vector<std::string>& parameters) {
  std::vector<const char*> values;
  values.reserve(parameters.size());
  for (const auto& value : parameters) values.push_back(value.c_str());
  return PqResult(PQexecPrepared(conn_.get(), name.c_str(), static_cast<int>(values.size()),
                                 values.data(), nullptr, nullptr, 0));
}

PqResult PqConnection::query(std::string_view sql, const std::vector<std::string>& parameters) {
  std::vector<const char*> values;
  values.reserve(parameters.size());
  for (const auto& value : parameters) values.push_back(value.c_str());
  PqResult result(PQexecParams(conn_.get(), std::string(sql).c_str(),
                               static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                               nullptr, 0));
  if (!succeeded(result)) throw StoreError(failure_text(result, error()));
  return result;
}

bool PqConnection::broken() const { return PQstatus(conn_.get()) == CONNECTION_BAD; }

std::string PqConnection::error() const { return one_line(PQerrorMessage(conn_.get())); }

bool succeeded(const PqResult& result) {
  if (!result) return false;
  const auto status = PQresultStatus(result.get());
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

std::string failure_text(const PqResult& result, const std::string& fallback) {
  if (!result) return fallback;
  std::string text = one_line(PQresultErrorMessage(result.get()));
  return text.empty() ? fallback : text;
}

}  // namespace brevolt::signup
