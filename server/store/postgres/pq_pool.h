#pragma once
// A few PostgreSQL connections shared by the store's threads: opened as
// they are needed, opened again after the database server has gone away,
// and never handed out with a transaction left open.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace brevolt::signup {

class PqConnection;

class PqPool {
 public:
  using Clock = std::chrono::steady_clock;
  using Connect = std::function<std::unique_ptr<PqConnection>()>;

  // At most `most` connections open at once, each made by `connect`.
  PqPool(Connect connect, std::size_t most);
  ~PqPool();
  PqPool(const PqPool&) = delete;
  PqPool& operator=(const PqPool&) = delete;

  // A connection on loan; it goes back when the lease ends, rolled back if
  // its holder left a transaction open, or is dropped if it is broken or
  // cannot be rolled back. Bound to its scope: a lease that could be moved
  // would give back nothing from the place it was moved from.
  class Lease {
   public:
    // Waits until `deadline` for an idle connection, or makes one while
    // fewer than the most are open. Throws StoreUnavailable when none came
    // free in time or a new one cannot be made.
    Lease(PqPool& pool, Clock::time_point deadline);
    ~Lease();
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    PqConnection& operator*() const { return *connection_; }
    PqConnection* operator->() const { return connection_.get(); }

   private:
    PqPool& pool_;
    std::unique_ptr<PqConnection> connection_;
  };

 private:
  std::unique_ptr<PqConnection> take(Clock::time_point deadline);
  void give_back(std::unique_ptr<PqConnection> connection);

  const Connect connect_;
  const std::size_t most_;
  std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<std::unique_ptr<PqConnection>> idle_;
  std::size_t open_ = 0;
};

}  // namespace brevolt::signup
