#include "server/store/postgres/postgres_store.h"

#include <libpq-fe.h>

#include <exception>
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
    // What the maker sees per UTC day: counts, never a person.
    {
        "CREATE TABLE daily_counts ("
        " day date PRIMARY KEY,"
        " views bigint NOT NULL DEFAULT 0,"
        " signups bigint NOT NULL DEFAULT 0,"
        " confirmed bigint NOT NULL DEFAULT 0,"
        " unsubscribed bigint NOT NULL DEFAULT 0)",
    },
};

// On failure the caller drops the connection, and the transaction with it.
void migrate(PqConnection& connection) {
  connection.execute("BEGIN");
  // An upgrade may rewrite a large list, and wait for another server's.
  connection.lift_limits();
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

}  // namespace

PostgresStore::PostgresStore(std::string uri, std::chrono::milliseconds timeout,
                             std::size_t connections)
    : uri_(std::move(uri)),
      timeout_(timeout),
      pool_([this] { return connect(); }, connections),
      confirmed_(
          kConfirmedSignupWriters, kMostSignupsPerCommit,
          [this](const auto& batch) { return sign_up_confirmed(batch); },
          [](const std::string& why) { return StoreFailure{"recording sign-ups: " + why}; }) {
  PqConnection setup(uri_, timeout_);
  try {
    migrate(setup);
  } catch (const StoreError& error) {
    throw StoreError(std::string("cannot set up the PostgreSQL schema: ") + error.what());
  }
  // Made now, so that a URI that connects once but not twice fails here.
  const PqPool::Lease first(pool_, Clock::time_point::max());
}

PostgresStore::~PostgresStore() = default;

void PostgresStore::in_transaction(const std::function<void(PqConnection&)>& work,
                                   Clock::time_point deadline, bool long_running) {
  // What is thrown leaves the transaction open: the lease rolls it back.
  retried(deadline, [&](PqConnection& connection) {
    connection.execute("BEGIN");
    if (long_running) connection.lift_limits();
    work(connection);
    connection.execute("COMMIT");
    return true;
  });
}

std::optional<StoreFailure> PostgresStore::check() {
  try {
    retried(lease_deadline(),
            [](PqConnection& connection) { return connection.execute("SELECT 1"); });
    return std::nullopt;
  } catch (const std::exception& error) {
    return StoreFailure{error.what()};
  }
}

}  // namespace brevolt::signup
