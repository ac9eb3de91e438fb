#pragma once
// Writes that arrive while every connection is busy wait together, and the
// next free connection writes them in one transaction. A durable commit
// costs a disk sync; under a burst one sync then covers many sign-ups,
// while a lone sign-up is written at once, as before.
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <utility>
#include <vector>

namespace brevolt::signup {

template <typename Item, typename Result>
class GroupCommit {
 public:
  // Gets a batch in arrival order and returns one result an item, in the
  // same order. Must not throw.
  using Write = std::function<std::vector<Result>(const std::vector<const Item*>&)>;
  using Done = std::function<void(Result)>;

  // At most `writers` batches are written at once (one a connection), each
  // of at most `most` items.
  GroupCommit(std::size_t writers, std::size_t most, Write write)
      : writers_(writers == 0 ? 1 : writers), most_(most == 0 ? 1 : most), write_(std::move(write)) {}

  // Hands `item` over to be written. With a connection free, the caller
  // writes it, and whatever arrives meanwhile, before this returns;
  // otherwise it returns at once and a caller already writing takes the
  // item in its next batch. Either way `done` gets the result, on the
  // thread that wrote it, and no thread sits waiting for a commit.
  void submit(Item item, Done done) {
    std::unique_lock lock(mutex_);
    queue_.push_back(Waiting{std::move(item), std::move(done)});
    if (writing_ == writers_) return;
    ++writing_;
    while (!queue_.empty()) {
      std::vector<Waiting> batch;
      while (!queue_.empty() && batch.size() < most_) {
        batch.push_back(std::move(queue_.front()));
        queue_.pop_front();
      }
      lock.unlock();
      std::vector<const Item*> items;
      for (const auto& waiting : batch) items.push_back(&waiting.item);
      auto results = write_(items);
      for (std::size_t i = 0; i < batch.size(); ++i) batch[i].done(std::move(results.at(i)));
      lock.lock();
    }
    --writing_;
  }

  // The same, returning the result.
  Result submit(Item item) {
    std::promise<Result> written;
    submit(std::move(item), [&written](Result result) { written.set_value(std::move(result)); });
    return written.get_future().get();
  }

 private:
  struct Waiting {
    Item item;
    Done done;
  };

  const std::size_t writers_;
  const std::size_t most_;
  const Write write_;
  std::mutex mutex_;
  std::deque<Waiting> queue_;
  std::size_t writing_ = 0;
};

}  // namespace brevolt::signup
