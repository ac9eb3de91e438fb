#pragma once
// What was said with the relay, as far as telling whose fault a failure is:
// the last command's verb (never its arguments, which may hold the login)
// and the relay's last reply line.
#include <curl/curl.h>

#include <string>

#include "server/mail/mail_sender.h"

namespace brevolt::signup {

class SmtpTranscript {
 public:
  // Installs itself as `handle`'s debug callback; must outlive the transfer.
  void watch(CURL* handle);

  // Only a refusal of this message's recipient or data is the message's
  // own; anything before is the relay's or the configuration's.
  SendOutcome classify(long reply) const;
  // For the log: where the session failed and what the relay said.
  std::string describe() const;

  // What the debug callback feeds: lines from the relay, lines to it.
  void heard(std::string_view text);
  void said(std::string_view text);

 private:
  static int on_debug(CURL*, curl_infotype type, char* data, std::size_t size, void* user);

  std::string command_;  // empty until the first command, during the greeting
  std::string reply_;
  bool quitting_ = false;
};

}  // namespace brevolt::signup
