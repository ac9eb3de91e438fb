#include "server/mail/smtp_sender.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>

#include "server/constants.h"
#include "server/mail/smtp_transcript.h"

namespace brevolt::signup {
namespace {

struct Upload {
  const std::string& data;
  std::size_t offset = 0;
};

std::size_t read_upload(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto& upload = *static_cast<Upload*>(user);
  const auto n = std::min(size * count, upload.data.size() - upload.offset);
  std::memcpy(buffer, upload.data.data() + upload.offset, n);
  upload.offset += n;
  return n;
}

int check_cancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

bool has_login(const std::string& url) {
  const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
    return false;
  }
  for (const auto part : {CURLUPART_USER, CURLUPART_PASSWORD}) {
    char* value = nullptr;
    const bool present = curl_url_get(parsed.get(), part, &value, 0) == CURLUE_OK;
    curl_free(value);
    if (present) return true;
  }
  return false;
}

// libcurl's global set-up is not safe to race with other threads' first use.
void init_curl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

SmtpSender::SmtpSender(std::string url, const std::atomic<bool>& cancel)
    : url_(std::move(url)), cancel_(cancel) {
  init_curl();
  login_ = has_login(url_);
}

SendResult SmtpSender::send(const std::string& from, const std::string& to,
                            const std::string& message) {
  const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                 &curl_easy_cleanup);
  if (!curl) return {SendOutcome::TryLater, "cannot start libcurl"};
  const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> recipients(
      curl_slist_append(nullptr, ("<" + to + ">").c_str()), &curl_slist_free_all);
  Upload upload{message};
  char error[CURL_ERROR_SIZE] = {};
  auto* handle = curl.get();
  curl_easy_setopt(handle, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(handle, CURLOPT_MAIL_FROM, ("<" + from + ">").c_str());
  curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
  // STARTTLS when the relay offers it; smtps:// is TLS from the start. A
  // login must never cross in clear text, to the relay or to whoever sits
  // between: with one, a relay without STARTTLS is left before AUTH.
  curl_easy_setopt(handle, CURLOPT_USE_SSL,
                   static_cast<long>(login_ ? CURLUSESSL_ALL : CURLUSESSL_TRY));
  curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(handle, CURLOPT_READFUNCTION, read_upload);
  curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
  curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, static_cast<long>(kSmtpConnectTimeout.count()));
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, static_cast<long>(kSmtpTimeout.count()));
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, check_cancel);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &cancel_);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
  SmtpTranscript transcript;
  transcript.watch(handle);
  const CURLcode rc = curl_easy_perform(handle);
  if (rc == CURLE_OK) return {SendOutcome::Sent, {}};
  if (rc == CURLE_USE_SSL_FAILED) {
    return {SendOutcome::TryLater,
            "the relay offers no STARTTLS, and the login in --smtp is only sent over TLS"};
  }
  long reply = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply);
  std::string detail = error[0] ? error : curl_easy_strerror(rc);
  detail += "; " + transcript.describe();
  if (rc == CURLE_ABORTED_BY_CALLBACK) return {SendOutcome::TryLater, detail};
  return {transcript.classify(reply), detail};
}

}  // namespace brevolt::signup
