#include "server/system/stop_signals.h"

#include <pthread.h>
#include <unistd.h>

namespace brevolt::signup {

StopSignals::StopSignals() {
  sigemptyset(&set_);
  sigaddset(&set_, SIGTERM);
  sigaddset(&set_, SIGINT);
  pthread_sigmask(SIG_BLOCK, &set_, nullptr);
}

int StopSignals::wait() const {
  int signal = 0;
  while (sigwait(&set_, &signal) != 0) {
  }
  return signal;
}

void StopSignals::raise_stop() {
  // Sent to the process, not the thread, so that the waiting thread gets it.
  kill(getpid(), SIGTERM);
}

}  // namespace brevolt::signup
