#pragma once
// Writes that arrive while every connection is busy wait together, and the
// next free connection writes them in one transaction. A durable commit
// costs a disk sync; under a burst one sync then covers many sign-ups,
// while a lone sign-up is written at once, as before.
#include <chrono>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace brevolt::signup {

template <typename Item, typename Result>
class GroupCommit {
 public:
  using Clock = std::chrono::steady_clock;
  // Gets a batch in arrival order and returns one result an item, in the
  // same order. What it throws becomes every item's failure.
  using Write = std::function<std::vector<Result>(const std::vector<const Item*>&)>;
  // The result of an item that could not be written, and why.
  using Fail = std::function<Result(const std::string& why)>;
  using Done = std::function<void(Result)>;

  // At most `writers` batches are written at once (one a connection), each
  // of at most `most` items.
  GroupCommit(std::size_t writers, std::size_t most, Write write, Fail fail)
      : writers_(writers == 0 ? 1 : writers),
        most_(most == 0 ? 1 : most),
        write_(std::move(write)),
        fail_(std::move(fail)) {}

  // Hands `item` over to be written. With a connection free, the caller
  // writes it, and whatever arrives meanwhile, before this returns;
  // otherwise it returns at once and a caller already writing takes the
  // item in its next batch. Either way `done` gets the result, on the
  // thread that wrote it, and no thread sits waiting for a commit. An item
  // not taken into a batch by `deadline` is never written: it fails, at the
  // latest once the batch being written then is done.
  void submit(Item item, Clock::time_point deadline, Done done) {
    std::unique_lock lock(mutex_);
    queue_.push_back(Waiting{std::move(item), deadline, std::move(done)});
    if (writing_ == writers_) return;
    ++writing_;
    // Whatever a write or a callback does, the writer's place is given back:
    // otherwise every later item would wait for a writer that never comes.
    struct Release {
      GroupCommit& group;
      std::unique_lock<std::mutex>& lock;
      ~Release() {
        if (!lock.owns_lock()) lock.lock();
        --group.writing_;
      }
    } release{*this, lock};
    while (!queue_.empty()) {
      std::vector<Waiting> batch;
      std::vector<Waiting> late;
      const auto now = Clock::now();
      while (!queue_.empty() && batch.size() < most_) {
        auto& next = queue_.front().deadline < now ? late : batch;
        next.push_back(std::move(queue_.front()));
        queue_.pop_front();
      }
      lock.unlock();
      for (auto& waiting : late) deliver(waiting, fail_("it waited past its deadline"));
      if (!batch.empty()) write(batch);
      lock.lock();
    }
  }

  // The same without a deadline, returning the result.
  Result submit(Item item) {
    std::promise<Result> written;
    submit(std::move(item), Clock::time_point::max(),
           [&written](Result result) { written.set_value(std::move(result)); });
    return written.get_future().get();
  }

 private:
  struct Waiting {
    Item item;
    Clock::time_point deadline;
    Done done;
  };

  void write(std::vector<Waiting>& batch) {
    std::vector<const Item*> items;
    for (const auto& waiting : batch) items.push_back(&waiting.item);
    std::vector<Result> results;
    std::string why = "the store gave no result";
    try {
      results = write_(items);
    } catch (const std::exception& error) {
      why = error.what();
    } catch (...) {
      why = "the store failed";
    }
    for (std::size_t i = 0; i < batch.size(); ++i) {
      deliver(batch[i], i < results.size() ? std::move(results[i]) : fail_(why));
    }
  }

  // One caller's failing callback must not cost the rest their answers.
  static void deliver(Waiting& waiting, Result result) {
    try {
      waiting.done(std::move(result));
    } catch (...) {
    }
  }

  const std::size_t writers_;
  const std::size_t most_;
  const Write write_;
  const Fail fail_;
  std::mutex mutex_;
  std::deque<Waiting> queue_;
  std::size_t writing_ = 0;
};

}  // namespace brevolt::signup
