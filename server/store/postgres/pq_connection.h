#pragma once
// One libpq connection, owned: closed when the object goes, results freed
// with theirs. Not for sharing between threads.
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace brevolt::signup {

struct PqResultDeleter {
  void operator()(pg_result* result) const;
};
using PqResult = std::unique_ptr<pg_result, PqResultDeleter>;

class PqConnection {
 public:
  // Connects to `uri` (anything libpq takes as a connection string). Unless
  // the URI says otherwise, connecting, each statement and each wait for a
  // lock may take about `timeout`, and TCP keepalives notice a database
  // server that went silent. Throws StoreUnavailable with libpq's reason.
  PqConnection(const std::string& uri, std::chrono::milliseconds timeout);
  ~PqConnection();
  PqConnection(const PqConnection&) = delete;
  PqConnection& operator=(const PqConnection&) = delete;

  // Runs SQL without parameters; throws StoreError unless it succeeded.
  PqResult execute(std::string_view sql);
  // The same, reporting a failure in the result instead of throwing.
  PqResult run_sql(std::string_view sql);
  void prepare(const std::string& name, const std::string& sql, int parameters);
  bool prepared(const std::string& name) const { return prepared_.contains(name); }
  // Runs a prepared statement with text parameters; nothing is thrown, the
  // result (possibly null) says how it went.
  PqResult run(const std::string& name, const std::vector<std::string>& parameters);

  // Runs SQL with text parameters ($1, ...); throws StoreError unless it
  // succeeded.
  PqResult query(std::string_view sql, const std::vector<std::string>& parameters);

  // Whether the connection to the server is lost (the server went away).
  bool broken() const;
  // Whether a transaction is open (or failed and not yet rolled back).
  bool in_transaction() const;
  // Raises this transaction's limits (or, outside one, the connection's) to
  // the maintenance ones: it may read or rewrite the whole list.
  void lift_limits(bool whole_session = false);
  // libpq's last message, on one line.
  std::string error() const;

 private:
  struct ConnDeleter {
    void operator()(pg_conn* conn) const;
  };
  std::unique_ptr<pg_conn, ConnDeleter> conn_;
  std::set<std::string> prepared_;
};

// Whether a result is a success of a command or a query.
bool succeeded(const PqResult& result);
// The result's error message on one line, or `fallback` when it has none.
std::string failure_text(const PqResult& result, const std::string& fallback);
// Throws the failure of `result` on `connection`: StoreError when it lies in
// the statement's data (a bad value, a constraint, a conflict with another
// transaction), StoreUnavailable when the database itself failed.
[[noreturn]] void throw_failure(const PqConnection& connection, const PqResult& result,
                                const std::string& during);

}  // namespace brevolt::signup
