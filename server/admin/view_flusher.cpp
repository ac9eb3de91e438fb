#include "server/admin/view_flusher.h"

#include <exception>

#include "server/admin/metrics.h"
#include "server/constants.h"
#include "server/store/signup_store.h"

namespace brevolt::signup {

ViewFlusher::ViewFlusher(SignupStore& store, LogSink log)
    : store_(store), log_(std::move(log)), thread_([this] {
        std::unique_lock lock(mutex_);
        while (!stop_.wait_for(lock, kViewFlushInterval, [this] { return stopping_; })) {
          lock.unlock();
          flush();
          lock.lock();
        }
      }) {}

ViewFlusher::~ViewFlusher() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_one();
  thread_.join();
  flush();
}

bool ViewFlusher::flush() {
  auto& unsaved = metrics().unsaved_views;
  const auto views = unsaved.exchange(0);
  if (views == 0) return true;
  try {
    store_.add_views(static_cast<std::int64_t>(views));
    return true;
  } catch (const std::exception& error) {
    unsaved.fetch_add(views);
    log_(std::string("could not add the form's views to the day: ") + error.what());
    return false;
  }
}

}  // namespace brevolt::signup
