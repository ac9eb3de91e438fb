// The engine binding: a WebKitGTK view that reports each committed
// navigation of the page and its frames, and refuses everything a sign-up
// page has no business doing (downloads, new windows, local files).
#include <libsoup/soup.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/webkit/web_view.h"
#include "platform/webkit/context_menu_filter.h"
#include "platform/webkit/engine_session.h"
#include "platform/webkit/external_browser.h"
#include "platform/webkit/navigation_policy.h"

namespace brevolt::platform::webkit {
namespace {

bool IsAttachment(WebKitURIResponse* response) {
  SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
  if (headers == nullptr) return false;
  char* disposition = nullptr;
  if (!soup_message_headers_get_content_disposition(headers, &disposition, nullptr)) return false;
  const bool attachment = g_ascii_strcasecmp(disposition, "attachment") == 0;
  g_free(disposition);
  return attachment;
}

// The engine asks about a frame's 204 or 205 answer too, but leaves the frame
// where it was: no navigation happened, so none is reported.
bool CommitsADocument(WebKitURIResponse* response) {
  const guint status = webkit_uri_response_get_status_code(response);
  return status != SOUP_STATUS_NO_CONTENT && status != SOUP_STATUS_RESET_CONTENT;
}

const char* RequestUri(WebKitNavigationAction* action) {
  return webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
}

// A new window is never opened here; a link the user clicked still reaches
// the desktop's browser so the click is not silently lost.
void HandOffNewWindow(WebKitNavigationAction* action) {
  const char* uri = RequestUri(action);
  if (uri != nullptr && webkit_navigation_action_is_user_gesture(action) &&
      IsExternalBrowserAddress(uri)) {
    OpenInDefaultBrowser(uri);
  }
}

class WebKitBrowser final : public WebView {
 public:
  explicit WebKitBrowser(NavigateCompleteHandler on_navigate)
      : on_navigate_(std::move(on_navigate)), context_(NewPrivateContext()) {
    WebKitSettings* settings = NewViewSettings();
    // Sunk and held so the view survives being moved between containers.
    view_ = WEBKIT_WEB_VIEW(g_object_ref_sink(g_object_new(
        WEBKIT_TYPE_WEB_VIEW, "web-context", context_, "settings", settings, nullptr)));
    g_object_unref(settings);

    g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view_, "create", G_CALLBACK(OnCreate), this);
    g_signal_connect(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
    g_signal_connect(view_, "print", G_CALLBACK(OnPrint), this);
    g_signal_connect(view_, "run-file-chooser", G_CALLBACK(OnRunFileChooser), this);
    g_signal_connect(view_, "authenticate", G_CALLBACK(OnAuthenticate), this);
    g_signal_connect(context_, "download-started", G_CALLBACK(OnDownloadStarted), this);
  }

  ~WebKitBrowser() override {
    g_signal_handlers_disconnect_by_data(view_, this);
    g_signal_handlers_disconnect_by_data(context_, this);
    gtk_widget_destroy(GTK_WIDGET(view_));
    g_object_unref(view_);
    g_object_unref(context_);
  }

  WebKitBrowser(const WebKitBrowser&) = delete;
  WebKitBrowser& operator=(const WebKitBrowser&) = delete;

  GtkWidget* widget() override { return GTK_WIDGET(view_); }

  void Navigate(const std::string& url) override { webkit_web_view_load_uri(view_, url.c_str()); }

  void Terminate() override { webkit_web_view_terminate_web_process(view_); }

 private:
  void Report(bool top_page, const char* uri) {
    // A copy, because the handler may end the program or destroy this view.
    NavigateCompleteHandler handler = on_navigate_;
    handler(std::make_shared<const WebFrame>(WebFrame{top_page}), uri != nullptr ? uri : "");
  }

  // The top page: committed is the moment its new address is reached, after
  // any server redirect, and also when the engine shows its own error page
  // under an address that could not be loaded.
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
    if (event != WEBKIT_LOAD_COMMITTED) return;
    static_cast<WebKitBrowser*>(self)->Report(true, webkit_web_view_get_uri(view));
  }

  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self) {
    switch (type) {
      case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION: {
        // Which frame navigates is not told here, so the wider frame rule
        // applies; the top page's narrower one is enforced at its response.
        auto* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const char* uri = RequestUri(action);
        if (uri == nullptr || !IsAllowedFrameAddress(uri)) {
          webkit_policy_decision_ignore(decision);
          return TRUE;
        }
        return FALSE;
      }
      case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
        HandOffNewWindow(webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision)));
        webkit_policy_decision_ignore(decision);
        return TRUE;
      case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
        static_cast<WebKitBrowser*>(self)->DecideResponse(
            WEBKIT_RESPONSE_POLICY_DECISION(decision));
        return TRUE;
    }
    return FALSE;
  }

  // Response decisions are asked only for the document of a frame (or of the
  // top page), never for its images, scripts or style sheets, and carry the
  // address after redirects; for a frame this is where its navigation is
  // known to have reached its address.
  void DecideResponse(WebKitResponsePolicyDecision* decision) {
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
    const char* uri = webkit_uri_response_get_uri(response);
    const bool top_page = webkit_response_policy_decision_is_main_frame_main_resource(decision);
    const bool allowed = uri != nullptr &&
                         (top_page ? IsAllowedTopPageAddress(uri) : IsAllowedFrameAddress(uri));
    // Anything that cannot be shown would become a download: refuse it here
    // so no file is ever written.
    if (!allowed || !webkit_response_policy_decision_is_mime_type_supported(decision) ||
        IsAttachment(response)) {
      webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
      return;
    }
    webkit_policy_decision_use(WEBKIT_POLICY_DECISION(decision));
    if (!top_page && CommitsADocument(response)) Report(false, uri);
  }

  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer) {
    HandOffNewWindow(action);
    return nullptr;
  }

  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                                WebKitHitTestResult*, gpointer) {
    return FilterContextMenu(menu) ? FALSE : TRUE;
  }

  // Printing could save a file; the page has nothing worth printing.
  static gboolean OnPrint(WebKitWebView*, WebKitPrintOperation*, gpointer) { return TRUE; }

  // The program reads no files, so a page cannot ask the user to pick one.
  static gboolean OnRunFileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer) {
    webkit_file_chooser_request_cancel(request);
    return TRUE;
  }

  // The engine's own dialog may ask, but never offers to remember a password.
  static gboolean OnAuthenticate(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer) {
    webkit_authentication_request_set_can_save_credentials(request, FALSE);
    return FALSE;
  }

  // Downloads the page starts on its own (a download attribute, a script)
  // never reach a response decision; stop them before a file is created.
  static void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
  }

  NavigateCompleteHandler on_navigate_;
  WebKitWebContext* context_;
  WebKitWebView* view_ = nullptr;
};

}  // namespace
}  // namespace brevolt::platform::webkit

extern "C" __attribute__((visibility("default"))) brevolt::platform::WebView*
brevolt_create_web_view(brevolt::platform::NavigateCompleteHandler on_navigate) {
  return new brevolt::platform::webkit::WebKitBrowser(std::move(on_navigate));
}
