#include "platform/webkit/external_browser.h"

#include <gio/gio.h>

#include <cstdlib>
#include <cstring>

#include "platform/gtk/process_settings.h"

namespace brevolt::platform::webkit {
namespace {

void OnLaunched(GObject*, GAsyncResult* result, gpointer) {
  GError* error = nullptr;
  g_app_info_launch_default_for_uri_finish(result, &error);
  g_clear_error(&error);
}

}  // namespace

void OpenInDefaultBrowser(const std::string& uri) {
  // The user's browser must not inherit the settings that keep this program
  // from writing files: with them it would, for one, forget every setting the
  // user changes. A value the user chose differs from ours and is kept.
  GAppLaunchContext* context = g_app_launch_context_new();
  for (const EnvironmentSetting& setting : kProcessEnvironment) {
    const char* current = std::getenv(setting.name);
    if (current != nullptr && std::strcmp(current, setting.value) == 0) {
      g_app_launch_context_unsetenv(context, setting.name);
    }
  }
  g_app_info_launch_default_for_uri_async(uri.c_str(), context, nullptr, OnLaunched, nullptr);
  g_object_unref(context);
}

}  // namespace brevolt::platform::webkit
