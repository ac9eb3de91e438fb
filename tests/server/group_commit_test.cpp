// Writes that wait together: who writes, in which batches, and who learns
// which result.
#include "server/store/group_commit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace brevolt::signup::test {
namespace {

constexpr auto kFailed = [](const std::string&) { return -1; };
using Clock = GroupCommit<int, int>::Clock;
constexpr auto kNever = Clock::time_point::max();

// A store whose writes block until let through, and that records its batches.
class HeldWrites {
 public:
  std::vector<int> write(const std::vector<const int*>& items) {
    std::unique_lock lock(mutex_);
    std::vector<int> batch;
    for (const int* item : items) batch.push_back(*item);
    batches_.push_back(batch);
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
    std::vector<int> results;
    for (const int item : batch) results.push_back(item * 10);
    return results;
  }
  void wait_for_batches(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return batches_.size() >= count; });
  }
  void open() {
    const std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  std::vector<std::vector<int>> batches() {
    const std::lock_guard lock(mutex_);
    return batches_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::vector<int>> batches_;
  bool open_ = false;
};

// While both connections are busy with one item each, five more arrive:
// their callers go on at once, and the items go in arrival order, at most
// three to a batch, each result to its own item.
TEST(GroupCommit, WritesThatWaitGoTogetherInOrderAndEachLearnsItsOwnResult) {
  HeldWrites store;
  GroupCommit<int, int> group(
      2, 3, [&](const auto& items) { return store.write(items); }, kFailed);
  std::vector<int> results(7, -1);
  std::vector<std::thread> writers;
  for (int item = 0; item < 2; ++item) {
    writers.emplace_back([&, item] { results[static_cast<std::size_t>(item)] = group.submit(item); });
  }
  store.wait_for_batches(2);
  for (int item = 2; item < 7; ++item) {
    group.submit(item, kNever,
                 [&, item](int result) { results[static_cast<std::size_t>(item)] = result; });
  }
  EXPECT_EQ(store.batches().size(), 2u) << "a caller wrote while both connections were busy";
  store.open();
  // The writers write what waited before they return.
  for (auto& writer : writers) writer.join();

  // Batches written at once may be recorded in either order.
  auto batches = store.batches();
  std::sort(batches.begin(), batches.end());
  EXPECT_EQ(batches, (std::vector<std::vector<int>>{{0}, {1}, {2, 3, 4}, {5, 6}}));
  EXPECT_EQ(results, (std::vector<int>{0, 10, 20, 30, 40, 50, 60}));
}

// Whatever goes wrong with one batch, the writer's place is given back and
// every item is answered exactly once: an item that waited past its
// deadline without being written, the items of a write that threw, and
// those after a caller whose callback threw.
TEST(GroupCommit, FailuresAndLateItemsAreAnsweredAndTheNextItemIsStillWritten) {
  HeldWrites store;
  bool throw_next = false;
  GroupCommit<int, int> group(
      1, 8,
      [&](const auto& items) {
        if (std::exchange(throw_next, false)) throw std::runtime_error("disk gone");
        return store.write(items);
      },
      kFailed);
  std::vector<int> results(4, 99);
  const auto keep = [&](std::size_t n) { return [&, n](int result) { results[n] = result; }; };
  std::thread writer([&] { group.submit(0, kNever, keep(0)); });
  store.wait_for_batches(1);
  group.submit(1, Clock::now(), keep(1));
  group.submit(2, kNever, [&](int result) {
    results[2] = result;
    throw std::runtime_error("the caller's own fault");
  });
  group.submit(3, kNever, keep(3));
  store.open();
  writer.join();
  EXPECT_EQ(store.batches(), (std::vector<std::vector<int>>{{0}, {2, 3}})) << "1 came too late";
  EXPECT_EQ(results, (std::vector<int>{0, -1, 20, 30}));

  throw_next = true;
  EXPECT_EQ(group.submit(4), -1);
  EXPECT_EQ(group.submit(5), 50) << "a write that threw left the group stuck";
}

}  // namespace
}  // namespace brevolt::signup::test
