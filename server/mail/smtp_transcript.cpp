#include "server/mail/smtp_transcript.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace brevolt::signup {
namespace {

constexpr long kPermanentFailure = 500;
constexpr long kTemporaryFailure = 400;
// A relay's reply goes to the log: enough to read, not a flood.
constexpr std::size_t kMostReplyChars = 200;

std::string upper_word(std::string_view line) {
  std::string word(line.substr(0, line.find_first_of(" :\r\n")));
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return word;
}

bool is_command(std::string_view word) {
  constexpr std::string_view kCommands[] = {"EHLO", "HELO", "STARTTLS", "AUTH",
                                            "MAIL", "RCPT", "DATA"};
  return std::find(std::begin(kCommands), std::end(kCommands), word) != std::end(kCommands);
}

}  // namespace

void SmtpTranscript::watch(CURL* handle) {
  curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, on_debug);
  curl_easy_setopt(handle, CURLOPT_DEBUGDATA, this);
  curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
}

int SmtpTranscript::on_debug(CURL*, curl_infotype type, char* data, std::size_t size,
                             void* user) {
  auto& transcript = *static_cast<SmtpTranscript*>(user);
  const std::string_view text(data, size);
  if (type == CURLINFO_HEADER_IN) transcript.heard(text);
  if (type == CURLINFO_HEADER_OUT) transcript.said(text);
  return 0;
}

void SmtpTranscript::heard(std::string_view text) {
  if (quitting_) return;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  const auto last = text.rfind('\n');
  if (last != std::string_view::npos) text.remove_prefix(last + 1);
  reply_.clear();
  for (const char c : text.substr(0, kMostReplyChars)) {
    const auto byte = static_cast<unsigned char>(c);
    reply_ += byte < 0x20 || byte == 0x7f ? '?' : c;
  }
}

// AUTH's continuation lines are not commands: the verb stays AUTH. The
// QUIT that follows a failure must not hide where it was.
void SmtpTranscript::said(std::string_view text) {
  auto word = upper_word(text);
  if (word == "QUIT") quitting_ = true;
  if (!quitting_ && is_command(word)) command_ = std::move(word);
}

SendOutcome SmtpTranscript::classify(long reply) const {
  const bool about_message = command_ == "RCPT" || command_ == "DATA";
  if (!about_message || reply < kTemporaryFailure) return SendOutcome::RelayDown;
  return reply >= kPermanentFailure ? SendOutcome::Refused : SendOutcome::TryLater;
}

std::string SmtpTranscript::describe() const {
  const std::string stage = command_.empty() ? "greeting" : command_;
  if (reply_.empty()) return "no reply (at " + stage + ")";
  return "at " + stage + " the relay answered \"" + reply_ + "\"";
}

}  // namespace brevolt::signup
