#include "server/store/postgres/pq_pool.h"

#include "server/store/postgres/pq_connection.h"
#include "server/store/signup_store.h"

namespace brevolt::signup {

PqPool::PqPool(Connect connect, std::size_t most)
    : connect_(std::move(connect)), most_(most == 0 ? 1 : most) {}

PqPool::~PqPool() = default;

PqPool::Lease::Lease(PqPool& pool, Clock::time_point deadline)
    : pool_(pool), connection_(pool.take(deadline)) {}

PqPool::Lease::~Lease() { pool_.give_back(std::move(connection_)); }

std::unique_ptr<PqConnection> PqPool::take(Clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  const auto ready = [&] { return !idle_.empty() || open_ < most_; };
  if (deadline == Clock::time_point::max()) {
    returned_.wait(lock, ready);
  } else if (!returned_.wait_until(lock, deadline, ready)) {
    throw StoreUnavailable("every connection to PostgreSQL stayed busy");
  }
  if (!idle_.empty()) {
    auto connection = std::move(idle_.back());
    idle_.pop_back();
    return connection;
  }
  ++open_;
  lock.unlock();
  try {
    return connect_();
  } catch (...) {
    give_back(nullptr);
    throw;
  }
}

void PqPool::give_back(std::unique_ptr<PqConnection> connection) {
  // Whatever its holder threw, the next one must not find its transaction.
  if (connection && !connection->broken() && connection->in_transaction()) {
    connection->run_sql("ROLLBACK");
    if (connection->in_transaction()) connection.reset();
  }
  {
    const std::lock_guard lock(mutex_);
    if (connection && !connection->broken()) {
      idle_.push_back(std::move(connection));
    } else {
      --open_;
      // The database server went away: the idle connections, all older
      // than this loss, went with it, and a retry must not meet one.
      if (connection) {
        open_ -= idle_.size();
        idle_.clear();
      }
    }
  }
  returned_.notify_all();
}

}  // namespace brevolt::signup
