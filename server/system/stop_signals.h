#pragma once
// SIGTERM and SIGINT, taken synchronously by one waiting thread instead of
// an asynchronous handler, so that stopping may lock, join and close files.
#include <csignal>

namespace brevolt::signup {

class StopSignals {
 public:
  // Blocks the signals in the calling thread; threads started afterwards
  // inherit that, so call it before starting any.
  StopSignals();

  // Returns the signal that arrived.
  int wait() const;

  // Wakes wait() from any thread, as if SIGTERM had been sent.
  static void raise_stop();

 private:
  sigset_t set_;
};

}  // namespace brevolt::signup
