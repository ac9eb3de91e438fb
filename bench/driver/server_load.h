#pragma once
// The reference sign-up server held by a thousand slow clients while honest
// visitors sign up; its sign-ups a second against bare SQLite inserts, and
// on PostgreSQL against bare libpq inserts, with one instance and two.
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
  // The same on PostgreSQL, against bare libpq inserts.
  std::vector<double> pg_server_per_s;
  std::vector<double> pg_bare_per_s;
  // One instance, and two on the same database, side by side.
  std::vector<double> one_per_s;
  std::vector<double> two_per_s;
};

// Starts `program` on the loopback `port` (and the next, for a second
// instance) with its SQLite database in `dir`, then on a PostgreSQL
// cluster of its own.
ServerFigures MeasureServer(const std::string& program, int port, const std::string& dir);

// Prints the figures and judges them against the targets.
void JudgeServer(Verdicts& verdicts, const ServerFigures& figures);

}  // namespace brevolt::bench
