#pragma once
// Adds the form views counted in memory to the store's day every few
// seconds and once more at the end, so that a view costs no write of its
// own and none is lost to a stop.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "server/system/log_sink.h"

namespace brevolt::signup {

class SignupStore;

class ViewFlusher {
 public:
  ViewFlusher(SignupStore& store, LogSink log);
  // Writes what is left.
  ~ViewFlusher();
  ViewFlusher(const ViewFlusher&) = delete;
  ViewFlusher& operator=(const ViewFlusher&) = delete;

  // Writes what has been counted so far; false when the store failed, and
  // the views are kept for the next try.
  bool flush();

 private:
  SignupStore& store_;
  LogSink log_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace brevolt::signup
