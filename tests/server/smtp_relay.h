#pragma once
// A real SMTP server on loopback for the tests (Debian's aiosmtpd), keeping
// each message it takes as a file in a folder the test reads.
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/harness/x_session.h"

namespace brevolt::signup::test {

struct RelayedMail {
  std::string envelope_from;
  std::vector<std::string> envelope_to;
  std::string data;  // the message as the relay received it

  // The header's value, unfolded; empty when absent.
  std::string header(const std::string& name) const;
  std::string body() const;
};

class SmtpRelay {
 public:
  // Port 0 picks a free one; a given port lets a test bring the relay back
  // where the server expects it. `options` go to smtp_relay.py as they are.
  explicit SmtpRelay(std::filesystem::path folder, int port = 0,
                     std::vector<std::string> options = {});
  int port() const { return port_; }
  std::string url() const;
  // Whether anyone sent it an AUTH command.
  bool saw_login() const { return std::filesystem::exists(folder_ / "auth"); }
  // Every message kept so far, oldest first.
  std::vector<RelayedMail> mail() const;
  // Waits until at least `count` messages are kept; returns them all.
  std::vector<RelayedMail> wait_for_mail(std::size_t count,
                                         std::chrono::milliseconds timeout) const;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<brevolt::test::Child> process_;
  int port_ = 0;
};

}  // namespace brevolt::signup::test
