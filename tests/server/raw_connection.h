#pragma once
// A plain TCP connection to the server under test, for requests no HTTP
// client library would send.
#include <string>

namespace brevolt::signup::test {

// A connection from 127.0.0.<host>: every address in 127.0.0.0/8 reaches a
// server listening on 127.0.0.1, and counts as a client of its own.
class Connection {
 public:
  Connection(int host, int port);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool connected() const { return connected_; }
  bool send_text(const std::string& text) const;
  // True once the server has closed its end (or reset it).
  bool closed_by_server() const;
  // The answer's status line, or "" if the connection closed without one.
  std::string status_line() const;
  // Everything the server sends until it closes (or five seconds of quiet).
  std::string read_all() const;

 private:
  int fd_;
  bool connected_ = false;
};

}  // namespace brevolt::signup::test
