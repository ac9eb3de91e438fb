#pragma once
// A loopback listener that never answers: backlog 0, never accepts, and its
// queue filled, so every further connection attempt's SYN is dropped and the
// caller waits for its own timeout.
namespace brevolt::bench {

class BlackHole {
 public:
  explicit BlackHole(int port);
  ~BlackHole();
  BlackHole(const BlackHole&) = delete;
  BlackHole& operator=(const BlackHole&) = delete;

 private:
  int listener_ = -1;
  int fillers_[2] = {-1, -1};
};

}  // namespace brevolt::bench
