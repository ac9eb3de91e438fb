#include "server/http/store_handoff.h"

#include <boost/asio/post.hpp>
#include <exception>
#include <string>

namespace brevolt::signup {

namespace net = boost::asio;

struct StoreHandoff::Call {
  Call(std::shared_ptr<void> owner_in, net::steady_timer& timer_in, std::function<void()> none_in)
      : owner(std::move(owner_in)), timer(timer_in), none(std::move(none_in)) {}

  std::atomic<bool> expired{false};
  // The rest belongs to the event thread. The owner is let go there, and
  // `timer`, the owner's, is touched only while the owner is held.
  std::shared_ptr<void> owner;
  net::steady_timer& timer;
  std::function<void()> none;
  bool answered = false;
};

StoreHandoff::StoreHandoff(net::io_context& events, net::thread_pool& threads, SignupStore& store,
                           LogSink log)
    : events_(events), threads_(threads), store_(store), log_(std::move(log)) {}

void StoreHandoff::start(std::shared_ptr<void> owner, net::steady_timer& timer,
                         std::chrono::steady_clock::duration deadline, Work work,
                         std::function<void()> none) {
  auto call = std::make_shared<Call>(std::move(owner), timer, std::move(none));
  if (abandoned_) {
    net::post(events_, [this, call] { arrive(call, {}); });
    return;
  }
  timer.expires_after(deadline);
  // Runs once whatever happens (expiry, an arrival's cancel, an abandon),
  // so the owner is always let go here if not before.
  timer.async_wait([call](const boost::system::error_code& error) {
    if (!error && !call->answered) {
      call->answered = true;
      call->expired = true;
      call->none();
    }
    call->owner.reset();
  });
  net::post(threads_, [this, call, work = std::move(work)] {
    if (call->expired || abandoned_) return;
    const Reply reply = [this, call](Arrival arrival) {
      net::post(events_, [this, call, arrival = std::move(arrival)]() mutable {
        arrive(call, std::move(arrival));
      });
    };
    try {
      work(store_, reply);
    } catch (const std::exception& error) {
      // A store keeps its failures to itself; this is a last guard.
      log_(std::string("store work failed: ") + error.what());
      reply({});
    }
  });
}

void StoreHandoff::arrive(const std::shared_ptr<Call>& call, Arrival arrival) {
  if (call->answered || !call->owner) return;
  call->answered = true;
  call->timer.cancel();
  if (arrival) {
    arrival();
  } else {
    call->none();
  }
  call->owner.reset();
}

}  // namespace brevolt::signup
