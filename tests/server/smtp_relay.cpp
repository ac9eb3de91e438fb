#include "tests/server/smtp_relay.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace brevolt::signup::test {
namespace {

constexpr auto kRelayStartTimeout = std::chrono::seconds(20);

RelayedMail read_kept(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  RelayedMail mail;
  const auto split = text.find("\r\n\r\n");
  mail.data = text.substr(split + 4);
  std::istringstream head(text.substr(0, split));
  for (std::string line; std::getline(head, line);) {
    if (line.ends_with('\r')) line.pop_back();
    const auto colon = line.find(": ");
    const auto value = line.substr(colon + 2);
    if (line.starts_with("envelope-from")) mail.envelope_from = value;
    if (line.starts_with("envelope-to")) mail.envelope_to.push_back(value);
  }
  return mail;
}

bool iequal_prefix(std::string_view line, std::string_view name) {
  return line.size() > name.size() && line[name.size()] == ':' &&
         std::equal(name.begin(), name.end(), line.begin(),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

}  // namespace

std::string RelayedMail::header(const std::string& name) const {
  const auto end = data.find("\r\n\r\n");
  std::istringstream head(data.substr(0, end));
  std::string value;
  bool inside = false;
  for (std::string line; std::getline(head, line);) {
    if (line.ends_with('\r')) line.pop_back();
    if (inside && (line.starts_with(' ') || line.starts_with('\t'))) {
      value += line;
      continue;
    }
    if (inside) break;
    if (iequal_prefix(line, name)) {
      inside = true;
      value = line.substr(name.size() + 1);
    }
  }
  const auto first = value.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : value.substr(first);
}

std::string RelayedMail::body() const {
  const auto end = data.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : data.substr(end + 4);
}

SmtpRelay::SmtpRelay(std::filesystem::path folder, int port, std::vector<std::string> options)
    : folder_(std::move(folder)) {
  std::filesystem::create_directories(folder_);
  const auto log = folder_.string() + ".log";
  std::vector<std::string> command{BREVOLT_TEST_PYTHON, BREVOLT_SMTP_RELAY_SCRIPT, "--folder",
                                   folder_.string(), "--port", std::to_string(port)};
  command.insert(command.end(), options.begin(), options.end());
  process_ = std::make_unique<brevolt::test::Child>(std::move(command), std::vector<std::string>{},
                                                    brevolt::test::ChildOptions{"", log});
  const auto line = process_->WaitForLine("listening ", kRelayStartTimeout);
  if (!line) throw std::runtime_error("the test mail relay did not start; see " + log);
  port_ = std::stoi(line->substr(line->find(' ') + 1));
}

std::string SmtpRelay::url() const { return "smtp://127.0.0.1:" + std::to_string(port_); }

std::vector<RelayedMail> SmtpRelay::mail() const {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
    if (entry.path().extension() == ".eml") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<RelayedMail> kept;
  for (const auto& file : files) kept.push_back(read_kept(file));
  return kept;
}

std::vector<RelayedMail> SmtpRelay::wait_for_mail(std::size_t count,
                                                  std::chrono::milliseconds timeout) const {
  brevolt::test::WaitUntil([&] { return mail().size() >= count; }, timeout);
  return mail();
}

}  // namespace brevolt::signup::test
