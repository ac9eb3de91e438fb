#pragma once
// The reference sign-up server held by a thousand slow clients while honest
// visitors sign up, and its sign-ups a second against bare SQLite inserts.
#include <string>
#include <vector>

#include "bench/driver/verdicts.h"

namespace brevolt::bench {

struct ServerFigures {
  int tricklers = 0;                // connected
  int tricklers_held = 0;           // still open once the honest visitors were done
  int honest_sent = 0;
  std::vector<double> honest_ms;    // each answered with the thank-you page
  std::vector<double> server_per_s; // run by run, side by side with...
  std::vector<double> bare_per_s;   // ...the bare insert loop
};

// Starts `program` on the loopback `port` with its database in `dir`.
ServerFigures MeasureServer(const std::string& program, int port, const std::string& dir);

// Prints the figures and judges them against the targets.
void JudgeServer(Verdicts& verdicts, const ServerFigures& figures);

}  // namespace brevolt::bench
