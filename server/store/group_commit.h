#pragma once
// Writes that arrive while every connection is busy wait together, and the
// next free connection writes them in one transaction. A durable commit
// costs a disk sync; under a burst one sync then covers many sign-ups,
// while a lone sign-up is written at once, as before.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace brevolt::signup {

template <typename Item, typename Result>
class GroupCommit {
 public:
  // Gets a batch in arrival order and returns one result an item, in the
  // same order. Must not throw.
  using Write = std::function<std::vector<Result>(const std::vector<const Item*>&)>;

  // At most `writers` batches are written at once (one a connection), each
  // of at most `most` items.
  GroupCommit(std::size_t writers, std::size_t most, Write write)
      : writers_(writers == 0 ? 1 : writers), most_(most == 0 ? 1 : most), write_(std::move(write)) {}

  // Items waiting for a connection.
  std::size_t waiting() {
    const std::lock_guard lock(mutex_);
    return queue_.size();
  }

  // Returns once `item` is written, by this thread or by another.
  Result submit(const Item& item) {
    Waiter me{&item};
    std::unique_lock lock(mutex_);
    queue_.push_back(&me);
    while (!me.result) {
      if (me.queued && writing_ < writers_) {
        write_batch(lock);
      } else {
        me.woken.wait(lock);
      }
    }
    return std::move(*me.result);
  }

 private:
  // Each waits on its own: waking every waiter after every batch costs
  // more than the writes once dozens wait.
  struct Waiter {
    explicit Waiter(const Item* waiting_item) : item(waiting_item) {}
    const Item* item;
    bool queued = true;
    std::optional<Result> result;
    std::condition_variable woken;
  };

  // Writes the oldest waiting items, the caller's own among them unless
  // more than a batch arrived before it.
  void write_batch(std::unique_lock<std::mutex>& lock) {
    std::vector<Waiter*> batch;
    std::vector<const Item*> items;
    while (!queue_.empty() && batch.size() < most_) {
      batch.push_back(queue_.front());
      batch.back()->queued = false;
      items.push_back(batch.back()->item);
      queue_.pop_front();
    }
    ++writing_;
    // More than a batch waited, and another connection is free.
    if (!queue_.empty() && writing_ < writers_) queue_.front()->woken.notify_one();
    lock.unlock();
    auto results = write_(items);
    lock.lock();
    --writing_;
    for (std::size_t i = 0; i < batch.size(); ++i) {
      batch[i]->result = std::move(results.at(i));
      batch[i]->woken.notify_one();
    }
    // The oldest still waiting writes the next batch.
    if (!queue_.empty()) queue_.front()->woken.notify_one();
  }

  const std::size_t writers_;
  const std::size_t most_;
  const Write write_;
  std::mutex mutex_;
  std::deque<Waiter*> queue_;
  std::size_t writing_ = 0;
};

}  // namespace brevolt::signup
