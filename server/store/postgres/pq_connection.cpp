#include "server/store/postgres/pq_connection.h"

#include <libpq-fe.h>

#include <algorithm>

#include "server/constants.h"
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

std::string seconds_of(std::chrono::seconds value) { return std::to_string(value.count()); }

std::string milliseconds_of(std::chrono::milliseconds value) {
  return std::to_string(value.count());
}

// Bad values and conflicts between transactions belong to one request; any
// other class (a lost connection, a full disk, a timeout, a read-only
// server) would meet the next request alike.
bool belongs_to_request(const PqResult& result) {
  if (!result) return false;
  const char* state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
  if (!state) return false;
  const std::string_view sqlstate(state);
  return sqlstate.starts_with("22") || sqlstate.starts_with("23") || sqlstate.starts_with("40");
}

}  // namespace

void PqResultDeleter::operator()(pg_result* result) const { PQclear(result); }
void PqConnection::ConnDeleter::operator()(pg_conn* conn) const { PQfinish(conn); }

PqConnection::PqConnection(const std::string& uri, std::chrono::milliseconds timeout) {
  const std::string connect_timeout = seconds_at_least_two(timeout);
  const std::string user_timeout = milliseconds_of(timeout);
  const std::string options = "-c statement_timeout=" + milliseconds_of(timeout) +
                              " -c lock_timeout=" + milliseconds_of(timeout);
  const std::string idle = seconds_of(kPgKeepaliveIdle);
  const std::string interval = seconds_of(kPgKeepaliveInterval);
  const std::string count = std::to_string(kPgKeepaliveCount);
  // The defaults come first: whatever the URI sets (it is expanded in place
  // of dbname) overrides them.
  const char* const keywords[] = {"connect_timeout",    "tcp_user_timeout",  "keepalives",
                                  "keepalives_idle",    "keepalives_interval",
                                  "keepalives_count",   "options",           "application_name",
                                  "dbname",             nullptr};
  const char* const values[] = {connect_timeout.c_str(), user_timeout.c_str(), "1",
                                idle.c_str(),            interval.c_str(),     count.c_str(),
                                options.c_str(),         "brevolt-signup-server",
                                uri.c_str(),             nullptr};
  conn_.reset(PQconnectdbParams(keywords, values, 1));
  if (!conn_) throw StoreUnavailable("cannot connect to PostgreSQL: out of memory");
  if (PQstatus(conn_.get()) != CONNECTION_OK) {
    throw StoreUnavailable("cannot connect to PostgreSQL: " + error());
  }
  PQsetNoticeProcessor(conn_.get(), ignore_notice, nullptr);
}

PqConnection::~PqConnection() = default;

PqResult PqConnection::run_sql(std::string_view sql) {
  return PqResult(PQexec(conn_.get(), std::string(sql).c_str()));
}

PqResult PqConnection::execute(std::string_view sql) {
  auto result = run_sql(sql);
  if (!succeeded(result)) throw_failure(*this, result, "");
  return result;
}

void PqConnection::prepare(const std::string& name, const std::string& sql, int parameters) {
  PqResult result(PQprepare(conn_.get(), name.c_str(), sql.c_str(), parameters, nullptr));
  if (!succeeded(result)) throw_failure(*this, result, "");
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
  if (!succeeded(result)) throw_failure(*this, result, "");
  return result;
}

bool PqConnection::broken() const { return PQstatus(conn_.get()) == CONNECTION_BAD; }

bool PqConnection::in_transaction() const {
  return PQtransactionStatus(conn_.get()) != PQTRANS_IDLE;
}

void PqConnection::lift_limits(bool whole_session) {
  const std::string set = whole_session ? "SET " : "SET LOCAL ";
  execute(set + "statement_timeout = " +
          milliseconds_of(std::chrono::milliseconds(kMaintenanceStatementTimeout)));
  execute(set + "lock_timeout = " +
          milliseconds_of(std::chrono::milliseconds(kMaintenanceLockTimeout)));
}

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

void throw_failure(const PqConnection& connection, const PqResult& result,
                   const std::string& during) {
  const auto text = during + failure_text(result, connection.error());
  if (!connection.broken() && belongs_to_request(result)) throw StoreError(text);
  throw StoreUnavailable(text);
}

}  // namespace brevolt::signup
