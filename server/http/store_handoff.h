#pragma once
// A session's call to the store. The work runs on a store thread, its
// result comes back to the event thread, and only the event thread ever
// holds the session: a store thread, or a batch writer answering for
// others, may finish long after the visitor has gone, and the session's
// end touches what the event thread alone may touch.
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "server/system/log_sink.h"

namespace brevolt::signup {

class SignupStore;

class StoreHandoff {
 public:
  // Run on the event thread, at most once.
  using Arrival = std::function<void()>;
  // Hands a result on, from any thread; an empty arrival says there is none.
  using Reply = std::function<void(Arrival)>;
  using Work = std::function<void(SignupStore&, const Reply&)>;

  StoreHandoff(boost::asio::io_context& events, boost::asio::thread_pool& threads,
               SignupStore& store, LogSink log);

  // Past the stop's bound: work not yet begun is dropped, and new work is
  // answered at once with nothing.
  void abandon() { abandoned_ = true; }

  // Starts `work` on a store thread. Its arrival runs, or `none` does once
  // `deadline` has passed on `timer` first (or the work failed); `owner` is
  // kept until then, and let go on the event thread either way.
  void start(std::shared_ptr<void> owner, boost::asio::steady_timer& timer,
             std::chrono::steady_clock::duration deadline, Work work, std::function<void()> none);

  // The same for work with a result: `finish` gets it, or nothing.
  template <typename Result>
  using Done = std::function<void(Result)>;
  template <typename Result>
  void ask(std::shared_ptr<void> owner, boost::asio::steady_timer& timer,
           std::chrono::steady_clock::duration deadline,
           std::function<void(SignupStore&, const Done<Result>&)> work,
           std::function<void(std::optional<Result>)> finish) {
    start(
        std::move(owner), timer, deadline,
        [work = std::move(work), finish](SignupStore& store, const Reply& reply) {
          work(store, [reply, finish](Result result) {
            reply([finish, result = std::move(result)] { finish(result); });
          });
        },
        [finish] { finish(std::nullopt); });
  }

 private:
  struct Call;
  void arrive(const std::shared_ptr<Call>& call, Arrival arrival);

  boost::asio::io_context& events_;
  boost::asio::thread_pool& threads_;
  SignupStore& store_;
  LogSink log_;
  std::atomic<bool> abandoned_{false};
};

}  // namespace brevolt::signup
