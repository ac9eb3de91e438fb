#include "server/mail/message.h"

#include <gmime/gmime.h>

#include <memory>
#include <mutex>

#include "server/constants.h"

namespace brevolt::signup {
namespace {

template <typename T>
struct GObjectDeleter {
  void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

void init_gmime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

std::string link(std::string_view public_url, std::string_view path, std::string_view token) {
  return std::string(public_url) + std::string(path) + "?" + std::string(kTokenField) + "=" +
         std::string(token);
}

std::string body_text(const ConfirmationMail& mail) {
  std::string text;
  text += "Hello,\n\n";
  text +=
      "someone, probably you, asked to receive our discounts and product updates at this "
      "address. To confirm, open this link:\n\n";
  text += confirm_link(mail.public_url, mail.token) + "\n\n";
  text += "The link works for " + std::to_string(kConfirmationLifetime.count()) +
          " hours. If you did not ask for this, ignore this mail: you will not hear from us "
          "again.\n\n";
  text += "To leave the list at any time:\n\n";
  text += unsubscribe_link(mail.public_url, mail.token) + "\n";
  return text;
}

}  // namespace

std::string confirm_link(std::string_view public_url, std::string_view token) {
  return link(public_url, kConfirmPath, token);
}

std::string unsubscribe_link(std::string_view public_url, std::string_view token) {
  return link(public_url, kUnsubscribePath, token);
}

std::string new_message_id(std::string_view from) {
  init_gmime();
  const auto at = from.rfind('@');
  const std::string domain(at == std::string_view::npos ? from : from.substr(at + 1));
  const std::unique_ptr<char, decltype(&g_free)> id(
      g_mime_utils_generate_message_id(domain.c_str()), &g_free);
  return id.get();
}

std::string build_confirmation_message(const ConfirmationMail& mail) {
  init_gmime();
  const GObjectPtr<GMimeMessage> message(g_mime_message_new(TRUE));
  g_mime_message_add_mailbox(message.get(), GMIME_ADDRESS_TYPE_FROM, nullptr, mail.from.c_str());
  g_mime_message_add_mailbox(message.get(), GMIME_ADDRESS_TYPE_TO, nullptr, mail.to.c_str());
  g_mime_message_set_subject(message.get(), std::string(kConfirmationSubject).c_str(), "utf-8");
  const std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> now(g_date_time_new_now_utc(),
                                                                     &g_date_time_unref);
  g_mime_message_set_date(message.get(), now.get());
  g_mime_message_set_message_id(message.get(), mail.message_id.c_str());

  // RFC 8058: the mailbox provider's own unsubscribe button posts to the
  // link, so leaving needs no page and no second mail.
  auto* object = GMIME_OBJECT(message.get());
  // Written as is: the library would encode a long value without blanks as
  // an encoded word, which no mailbox provider reads as a link.
  g_mime_object_set_header(object, "List-Unsubscribe", "", nullptr);
  const auto unsubscribe = " <" + unsubscribe_link(mail.public_url, mail.token) + ">\n";
  g_mime_header_set_raw_value(
      g_mime_header_list_get_header(g_mime_object_get_header_list(object), "List-Unsubscribe"),
      unsubscribe.c_str());
  const auto one_click = std::string(kOneClickField) + "=" + std::string(kOneClickValue);
  g_mime_object_set_header(object, "List-Unsubscribe-Post", one_click.c_str(), "utf-8");

  const GObjectPtr<GMimeTextPart> part(g_mime_text_part_new_with_subtype("plain"));
  g_mime_text_part_set_text(part.get(), body_text(mail).c_str());
  // The text is plain ASCII with short lines, so it goes as written and
  // its links stay whole for any reader; the library picks a transfer
  // encoding should that ever change.
  g_mime_object_encode(GMIME_OBJECT(part.get()), GMIME_ENCODING_CONSTRAINT_7BIT);
  // Said after the text, which would otherwise narrow it to the smallest
  // charset that fits.
  g_mime_text_part_set_charset(part.get(), "utf-8");
  g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(part.get()));

  const std::unique_ptr<GMimeFormatOptions, decltype(&g_mime_format_options_free)> format(
      g_mime_format_options_new(), &g_mime_format_options_free);
  g_mime_format_options_set_newline_format(format.get(), GMIME_NEWLINE_FORMAT_DOS);
  const std::unique_ptr<char, decltype(&g_free)> bytes(
      g_mime_object_to_string(object, format.get()), &g_free);
  return bytes.get();
}

}  // namespace brevolt::signup
