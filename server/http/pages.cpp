#include "server/http/pages.h"

#include <string_view>

#include "server/constants.h"
#include "server/http/html.h"
#include "server/http/http_status.h"
#include "server/validation.h"

namespace brevolt::signup {
namespace {

// The desktop program shows the page in a 495 x 352 pixel window whose
// browser is shifted so that these strips of the page are always out of
// sight; they stay free of content.
constexpr int kClippedTopPx = 19;
constexpr int kClippedRightPx = 26;
constexpr int kClippedBottomPx = 6;
constexpr int kClippedLeftPx = 8;

std::string style() {
  std::string css;
  css += "*{box-sizing:border-box}";
  // No scrolling: the spot where a scroll bar would stand is out of sight.
  css += "html,body{margin:0;height:100%;overflow:hidden;background:#fff}";
  css += "body{padding:" + std::to_string(kClippedTopPx) + "px " + std::to_string(kClippedRightPx) +
         "px " + std::to_string(kClippedBottomPx) + "px " + std::to_string(kClippedLeftPx) + "px;";
  css += "font:13px/1.35 \"DejaVu Sans\",Arial,Helvetica,sans-serif;color:#222}";
  css += ".panel{height:100%;display:flex;flex-direction:column;"
         "border-top:4px solid #2b5797;padding:14px 20px 12px}";
  css += "h1{font-size:19px;margin:0 0 6px;color:#2b5797;font-weight:600}";
  css += "p{margin:0 0 12px;color:#444}";
  css += "form{display:flex;flex-direction:column;flex:1}";
  css += ".field{margin-bottom:6px}";
  css += "label{display:block;font-weight:600;margin-bottom:3px}";
  css += "input{width:100%;padding:4px 6px;font:inherit;border:1px solid #9aa5b1;border-radius:3px}";
  css += "input:focus{outline:2px solid #8fb3e8;outline-offset:0}";
  css += "input[aria-invalid=true]{border-color:#b3261e}";
  css += ".error{display:block;min-height:17px;color:#b3261e;font-size:12px}";
  css += ".actions{margin-top:auto;display:flex;justify-content:flex-end}";
  css += "button{font:inherit;font-weight:600;padding:6px 20px;background:#2b5797;color:#fff;"
         "border:1px solid #1e3f6e;border-radius:3px;cursor:pointer}";
  css += "button:focus{outline:2px solid #8fb3e8}";
  css += ".actions a{margin-right:auto;align-self:center;font-size:12px;color:#2b5797}";
  // Out of sight without display:none, which some programs know to skip.
  css += ".hp{position:absolute;left:-10000px;top:0;width:1px;height:1px;overflow:hidden}";
  return css;
}

std::string page(std::string_view title, std::string_view panel_html) {
  std::string html;
  html += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  // The Windows program's embedded control would otherwise render the page
  // in its oldest compatibility mode.
  html += "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">\n";
  html += "<title>" + escape_html(title) + "</title>\n";
  html += "<style>" + style() + "</style>\n</head>\n<body>\n<div class=\"panel\">\n";
  html += panel_html;
  html += "</div>\n</body>\n</html>\n";
  return html;
}

struct FieldSpec {
  std::string_view id;
  std::string_view label;
  std::string_view type;
  std::string_view autocomplete;
};

std::string field(const FieldSpec& spec, const std::string& value, const std::string& error,
                  bool focused) {
  const std::string id(spec.id);
  std::string html = "<div class=\"field\">\n";
  html += "<label for=\"" + id + "\">" + std::string(spec.label) + "</label>\n";
  html += "<input type=\"" + std::string(spec.type) + "\" id=\"" + id + "\" name=\"" + id +
          "\" autocomplete=\"" + std::string(spec.autocomplete) + "\" value=\"" +
          escape_html(to_displayable_utf8(value)) + "\" aria-describedby=\"" + id + "-error\"";
  if (!error.empty()) html += " aria-invalid=\"true\"";
  if (focused) html += " autofocus";
  html += ">\n<span class=\"error\" id=\"" + id + "-error\">" + escape_html(error) + "</span>\n";
  html += "</div>\n";
  return html;
}

// The signed token, and a field people never see or reach: off-screen, out
// of the tab order and of the accessibility tree, never filled in by the
// browser. Only a program fills it. Neither needs a script.
std::string guard_fields(const std::string& token) {
  const std::string field(kHoneypotField);
  std::string html = "<input type=\"hidden\" name=\"" + std::string(kFormTokenField) +
                     "\" value=\"" + escape_html(token) + "\">\n";
  html += "<div class=\"hp\" aria-hidden=\"true\">\n<label for=\"" + field +
          "\">Leave this empty</label>\n<input type=\"text\" id=\"" + field + "\" name=\"" +
          field + "\" value=\"\" tabindex=\"-1\" autocomplete=\"off\">\n</div>\n";
  return html;
}

}  // namespace

std::string render_form(const FormView& view) {
  // The cursor goes where the visitor has something to fix, else to the name.
  const bool focus_email = view.name_error.empty() && !view.email_error.empty();
  std::string panel;
  panel += "<h1>Join our mailing list</h1>\n";
  panel += "<p>Receive discounts and product updates by e-mail. "
           "Enter your name and e-mail address below.";
  if (view.confirm_by_mail) panel += " We will send you a mail to confirm.";
  panel += "</p>\n";
  // novalidate: the server's own reasons are the ones shown, the same in
  // every browser.
  panel += "<form method=\"post\" action=\"" + std::string(kFormPath) +
           "\" accept-charset=\"utf-8\" novalidate>\n";
  panel += field({"name", "Name", "text", "name"}, view.name, view.name_error, !focus_email);
  panel += field({"email", "E-mail", "email", "email"}, view.email, view.email_error, focus_email);
  if (!view.form_token.empty()) panel += guard_fields(view.form_token);
  // Which wording the person agreed to, kept with their consent.
  panel += "<input type=\"hidden\" name=\"" + std::string(kFormVersionField) + "\" value=\"" +
           std::string(kFormVersion) + "\">\n";
  panel += "<div class=\"actions\">\n";
  if (!view.privacy_url.empty()) {
    panel += "<a href=\"" + escape_html(view.privacy_url) + "\" target=\"_blank\" rel=\"noopener\">"
             "Privacy notice</a>\n";
  }
  panel += "<button type=\"submit\">Sign up</button>\n</div>\n</form>\n";
  return page("Join our mailing list", panel);
}

std::string render_thank_you(bool confirm_by_mail) {
  if (confirm_by_mail) {
    return page("Thank you", "<h1>Thank you for signing up</h1>\n"
                             "<p>Please confirm from your inbox: we have sent you a mail with a "
                             "link. Until you open it, you will receive nothing from us.</p>\n");
  }
  return page("Thank you",
              "<h1>Thank you for signing up</h1>\n"
              "<p>You will receive our discounts and product updates by e-mail.</p>\n");
}

namespace {

// A button that posts the link's token back to `path`; with `one_click`,
// the body a mailbox provider's own unsubscribe button sends as well.
std::string token_form(std::string_view path, std::string_view token, std::string_view button,
                       bool one_click) {
  const auto action = std::string(path) + "?" + std::string(kTokenField) + "=" +
                      escape_html(token);
  std::string html = "<form method=\"post\" action=\"" + action + "\">\n";
  if (one_click) {
    html += "<input type=\"hidden\" name=\"" + std::string(kOneClickField) + "\" value=\"" +
            std::string(kOneClickValue) + "\">\n";
    html += "<input type=\"hidden\" name=\"" + std::string(kViaField) + "\" value=\"" +
            std::string(kViaPageValue) + "\">\n";
  }
  html += "<div class=\"actions\">\n<button type=\"submit\">" + std::string(button) +
          "</button>\n</div>\n</form>\n";
  return html;
}

}  // namespace

std::string render_confirm_prompt(std::string_view token) {
  return page("Confirm your subscription",
              "<h1>Confirm your subscription</h1>\n"
              "<p>Press the button to receive our discounts and product updates by "
              "e-mail.</p>\n" +
                  token_form(kConfirmPath, token, "Confirm", false));
}

std::string render_confirmed() {
  return page("Subscription confirmed",
              "<h1>Subscription confirmed</h1>\n"
              "<p>You will receive our discounts and product updates by e-mail. Every mail "
              "carries a link to leave the list.</p>\n");
}

std::string render_unsubscribe_prompt(std::string_view token) {
  return page("Leave the mailing list",
              "<h1>Leave the mailing list</h1>\n"
              "<p>Press the button and we will send you nothing more.</p>\n" +
                  token_form(kUnsubscribePath, token, "Unsubscribe", true));
}

std::string render_unsubscribed() {
  return page("Unsubscribed", "<h1>You have left the list</h1>\n"
                              "<p>We will send you nothing more. Signing up again on the form "
                              "starts a new confirmation.</p>\n");
}

std::string render_link_problem(int status) {
  if (status == http_status::kGone) {
    return page("Link expired",
                "<h1>This link has expired</h1>\n"
                "<p>Confirmation links work for " + std::to_string(kConfirmationLifetime.count()) +
                    " hours. Sign up again on the form to get a new one.</p>\n");
  }
  return page("Link not known", "<h1>This link is not known</h1>\n"
                                "<p>It may have been mistyped, replaced by a newer mail, or "
                                "used to leave the list already. Nothing was changed.</p>\n");
}

std::string render_sorry() {
  return page("Sign-up not recorded",
              "<h1>Sorry</h1>\n"
              "<p>We could not record your sign-up, please try later.</p>\n");
}

std::string render_error(int status) {
  std::string_view title = "Request not understood";
  if (status == 404) title = "Page not found";
  if (status == 405) title = "Method not allowed";
  if (status == 413) title = "Request too large";
  if (status == 415) title = "Unsupported form encoding";
  if (status >= 500) title = "Server error";
  return page(title, "<h1>" + escape_html(title) + "</h1>\n<p>Error " + std::to_string(status) +
                         ".</p>\n");
}

}  // namespace brevolt::signup
