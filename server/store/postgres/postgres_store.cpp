#include "server/store/postgres/postgres_store.h"

#include <libpq-fe.h>

#include <exception>
#include <set>
#include <string_view>

#include "server/constants.h"
#include "server/store/email_key.h"
#include "server/store/postgres/pq_connection.h"

namespace brevolt::signup {
namespace {

// Held for the length of the schema transaction; any number unlikely to be
// some other program's on the same database.
constexpr std::string_view kSchemaLock = "SELECT pg_advisory_xact_lock(7450839174027501)";

// The schema's history: step N brings a database from version N to N + 1.
// The key column holds the address as sign-ups are told apart (see
// email_key), so the unique index does not depend on a collation's idea of
// letter case. Times are the database server's.
const std::vector<std::vector<std::string_view>> kMigrations = {
    {
        "CREATE TABLE signups ("
        " id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
        " name text NOT NULL,"
        " email text NOT NULL,"
        " email_key text COLLATE \"C\" NOT NULL,"
        " signed_up_at timestamptz NOT NULL DEFAULT clock_timestamp())",
        "CREATE UNIQUE INDEX signups_email_key ON signups (email_key)",
    },
    // The mailing list: a sign-up is pending until its address confirms,
    // with the consent it gave; an unsubscribed address leaves only its key
    // and the time; mail waits in the outbox until the relay takes it.
    {
        "ALTER TABLE signups ADD COLUMN status text NOT NULL DEFAULT 'confirmed',"
        " ADD COLUMN confirmed_at timestamptz,"
        " ADD COLUMN consent_address text,"
        " ADD COLUMN consent_user_agent text,"
        " ADD COLUMN consent_form_version text,"
        " ADD COLUMN token_hash text COLLATE \"C\","
        " ADD COLUMN token_expires_at timestamptz,"
        " ADD COLUMN last_mail_at timestamptz",
        "UPDATE signups SET confirmed_at = signed_up_at WHERE confirmed_at IS NULL",
        "CREATE UNIQUE INDEX signups_token ON signups (token_hash)",
        "CREATE TABLE suppressions ("
        " email_key text COLLATE \"C\" PRIMARY KEY,"
        " unsubscribed_at timestamptz NOT NULL DEFAULT clock_timestamp())",
        "CREATE TABLE outbox ("
        " id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
        " email_key text COLLATE \"C\" NOT NULL,"
        " recipient text NOT NULL,"
        " token text NOT NULL,"
        " message_id text NOT NULL,"
        " queued_at timestamptz NOT NULL DEFAULT clock_timestamp(),"
        " due_at timestamptz NOT NULL DEFAULT clock_timestamp(),"
        " leased_until timestamptz,"
        " attempts integer NOT NULL DEFAULT 0)",
        "CREATE INDEX outbox_due ON outbox (due_at)",
        "CREATE INDEX outbox_email_key ON outbox (email_key)",
    },
    // The form's signing secret and the nonces that served a sign-up; how
    // many mails a pending address has been sent.
    {
        "CREATE TABLE form_secret ("
        " id integer PRIMARY KEY CHECK (id = 1),"
        " secret text NOT NULL)",
        "CREATE TABLE form_nonces ("
        " nonce text COLLATE \"C\" PRIMARY KEY,"
        " keep_until bigint NOT NULL)",
        "CREATE INDEX form_nonces_keep_until ON form_nonces (keep_until)",
        "ALTER TABLE signups ADD COLUMN mails_sent integer NOT NULL DEFAULT 0",
    },
};

// Without confirmation mail nothing need be read first, so the sign-up is
// one statement: one round trip and no transaction held open across the
// network. Leaving the suppression list goes
// with it, as signing up again after leaving starts over.
constexpr std::string_view kConfirmedSignupName = "insert_confirmed_signup";
constexpr std::string_view kConfirmedSignup =
    "WITH unsuppressed AS (DELETE FROM suppressions WHERE email_key = $3)"
    " INSERT INTO signups (name, email, email_key, status, confirmed_at, consent_address,"
    " consent_user_agent, consent_form_version)"
    " VALUES ($1, $2, $3, 'confirmed', clock_timestamp(), $4, $5, $6)"
    " ON CONFLICT (email_key) DO NOTHING";

// The same for several sign-ups in one statement, so that they share one
// round trip and one commit. Their values go as parameters, in the order
// they arrived, which is the order they are inserted in.
std::string confirmed_batch_sql(std::size_t rows) {
  constexpr std::size_t kColumns = 6;
  std::string batch;
  for (std::size_t row = 0; row < rows; ++row) {
    batch += row == 0 ? "(" : ", (";
    for (std::size_t column = 1; column <= kColumns; ++column) {
      batch += "$" + std::to_string(row * kColumns + column) + "::text, ";
    }
    batch += std::to_string(row) + ")";
  }
  return "WITH batch (name, email, email_key, consent_address, user_agent, form_version, arrival)"
         " AS (VALUES " + batch + "),"
         " unsuppressed AS (DELETE FROM suppressions WHERE email_key IN (SELECT email_key FROM batch))"
         " INSERT INTO signups (name, email, email_key, status, confirmed_at, consent_address,"
         " consent_user_agent, consent_form_version)"
         " SELECT name, email, email_key, 'confirmed', clock_timestamp(), consent_address,"
         " user_agent, form_version FROM batch ORDER BY arrival"
         " ON CONFLICT (email_key) DO NOTHING RETURNING email_key";
}

// On failure the caller drops the connection, and the transaction with it.
void migrate(PqConnection& connection) {
  connection.execute("BEGIN");
  connection.execute(kSchemaLock);
  connection.execute("CREATE TABLE IF NOT EXISTS brevolt_schema (version integer NOT NULL)");
  const auto found = connection.execute("SELECT coalesce(max(version), 0) FROM brevolt_schema");
  const auto version = static_cast<std::size_t>(std::stoul(PQgetvalue(found.get(), 0, 0)));
  for (std::size_t step = version; step < kMigrations.size(); ++step) {
    for (const auto sql : kMigrations[step]) connection.execute(sql);
  }
  if (version < kMigrations.size()) {
    connection.execute("DELETE FROM brevolt_schema");
    connection.execute("INSERT INTO brevolt_schema VALUES (" +
                       std::to_string(kMigrations.size()) + ")");
  }
  connection.execute("COMMIT");
}

template <typename... Outcomes>
bool failed(const std::variant<Outcomes...>& result) {
  return std::holds_alternative<StoreFailure>(result);
}

// An address already on the list learns nothing and gets nothing.
ListSignupResult as_list_result(const AddResult& added) {
  if (const auto* failure = std::get_if<StoreFailure>(&added)) return *failure;
  return std::get<SignupOutcome>(added) == SignupOutcome::Added ? ListSignupOutcome::Confirmed
                                                                : ListSignupOutcome::NoMail;
}
bool failed(const std::optional<StoreFailure>& result) { return result.has_value(); }

}  // namespace

// A connection on loan from the pool; it goes back when the lease ends,
// unless it was found broken.
class PostgresStore::Lease {
 public:
  Lease(PostgresStore& store, std::unique_ptr<PqConnection> connection)
      : store_(store), connection_(std::move(connection)) {}
  Lease(Lease&& other) noexcept = default;
  ~Lease() { store_.give_back(std::move(connection_)); }
  PqConnection& operator*() const { return *connection_; }

 private:
  PostgresStore& store_;
  std::unique_ptr<PqConnection> connection_;
};

PostgresStore::PostgresStore(std::string uri, std::chrono::milliseconds timeout,
                             std::size_t connections)
    : uri_(std::move(uri)),
      timeout_(timeout),
      most_(connections == 0 ? 1 : connections),
      confirmed_(most_, kMostSignupsPerCommit,
                 [this](const auto& batch) { return sign_up_confirmed(batch); }) {
  PqConnection setup(uri_, timeout_);
  try {
    migrate(setup);
  } catch (const StoreError& error) {
    throw StoreError(std::string("cannot set up the PostgreSQL schema: ") + error.what());
  }
  idle_.push_back(connect());
  open_ = 1;
}

PostgresStore::~PostgresStore() = default;

std::unique_ptr<PqConnection> PostgresStore::connect() const {
  auto connection = std::make_unique<PqConnection>(uri_, timeout_);
  connection->prepare(std::string(kConfirmedSignupName), std::string(kConfirmedSignup), 6);
  return connection;
}

PostgresStore::Lease PostgresStore::lease() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [&] { return !idle_.empty() || open_ < most_; });
  if (!idle_.empty()) {
    auto connection = std::move(idle_.back());
    idle_.pop_back();
    return Lease(*this, std::move(connection));
  }
  ++open_;
  lock.unlock();
  try {
    return Lease(*this, connect());
  } catch (...) {
    give_back(nullptr);
    throw;
  }
}

void PostgresStore::give_back(std::unique_ptr<PqConnection> connection) {
  {
    const std::lock_guard lock(mutex_);
    if (connection && !connection->broken()) {
      idle_.push_back(std::move(connection));
    } else {
      // The database server went away: the idle connections, all older
      // than this loss, went with it, and a retry must not meet one.
      --open_;
      open_ -= idle_.size();
      idle_.clear();
    }
  }
  returned_.notify_all();
}

// A connection idle while the database restarted fails at its first use:
// the second attempt runs on a fresh one.
template <typename Work>
auto PostgresStore::retried(Work work) -> decltype(work(std::declval<PqConnection&>())) {
  try {
    for (int attempt = 0;; ++attempt) {
      auto connection = lease();
      auto result = work(*connection);
      if (!failed(result) || !(*connection).broken() || attempt > 0) return result;
    }
  } catch (const std::exception& error) {
    return StoreFailure{error.what()};
  }
}

AddResult PostgresStore::record_confirmed(PqConnection& connection, const ListSignup& signup) {
  const auto result =
      connection.run(std::string(kConfirmedSignupName),
                     {signup.name, signup.email, email_key(signup.email), signup.consent_address,
                      signup.user_agent, signup.form_version});
  if (!succeeded(result)) {
    return StoreFailure{"recording a sign-up: " + failure_text(result, connection.error())};
  }
  return std::string_view(PQcmdTuples(result.get())) == "1" ? SignupOutcome::Added
                                                           : SignupOutcome::AlreadyKnown;
}

ListSignupResult PostgresStore::sign_up_confirmed(const ListSignup& signup) {
  const AddResult added =
      retried([&](PqConnection& connection) { return record_confirmed(connection, signup); });
  return as_list_result(added);
}

PostgresStore::BatchResult PostgresStore::record_confirmed(
    PqConnection& connection, const std::vector<const ListSignup*>& batch) {
  std::vector<std::string> values;
  for (const auto* signup : batch) {
    for (auto value : {signup->name, signup->email, email_key(signup->email),
                       signup->consent_address, signup->user_agent, signup->form_version}) {
      values.push_back(std::move(value));
    }
  }
  // Each size of batch is parsed and planned once a connection.
  const auto name = std::string(kConfirmedSignupName) + "_" + std::to_string(batch.size());
  if (!connection.prepared(name)) {
    connection.prepare(name, confirmed_batch_sql(batch.size()), static_cast<int>(values.size()));
  }
  const auto result = connection.run(name, values);
  if (!succeeded(result)) {
    return StoreFailure{"recording sign-ups: " + failure_text(result, connection.error())};
  }
  std::multiset<std::string> added;
  for (int row = 0; row < PQntuples(result.get()); ++row) added.insert(PQgetvalue(result.get(), row, 0));
  // The first sign-up for an address is the one its row holds.
  std::vector<ListSignupResult> results;
  for (const auto* signup : batch) {
    const auto found = added.find(email_key(signup->email));
    const bool first = found != added.end();
    if (first) added.erase(found);
    results.emplace_back(first ? ListSignupOutcome::Confirmed : ListSignupOutcome::NoMail);
  }
  return results;
}

std::vector<ListSignupResult> PostgresStore::sign_up_confirmed(
    const std::vector<const ListSignup*>& batch) {
  if (batch.size() > 1) {
    auto written =
        retried([&](PqConnection& connection) { return record_confirmed(connection, batch); });
    if (auto* results = std::get_if<std::vector<ListSignupResult>>(&written)) return *results;
    // One bad sign-up must not cost the others theirs.
  }
  std::vector<ListSignupResult> results;
  for (const auto* signup : batch) results.push_back(sign_up_confirmed(*signup));
  return results;
}

void PostgresStore::in_transaction(const std::function<void(PqConnection&)>& work) {
  for (int attempt = 0;; ++attempt) {
    auto connection = lease();
    try {
      (*connection).execute("BEGIN");
      work(*connection);
      (*connection).execute("COMMIT");
      return;
    } catch (const StoreError&) {
      if ((*connection).broken()) {
        if (attempt > 0) throw;
        continue;  // the transaction went with the connection
      }
      (*connection).run_sql("ROLLBACK");
      throw;
    }
  }
}

std::optional<StoreFailure> PostgresStore::check() {
  return retried([](PqConnection& connection) -> std::optional<StoreFailure> {
    const auto result = connection.run_sql("SELECT 1");
    if (succeeded(result)) return std::nullopt;
    return StoreFailure{failure_text(result, connection.error())};
  });
}

}  // namespace brevolt::signup
