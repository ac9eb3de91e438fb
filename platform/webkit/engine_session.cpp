#include "platform/webkit/engine_session.h"

namespace brevolt::platform::webkit {
namespace {

// One page, visited once: the smallest memory caches are enough.
constexpr WebKitCacheModel kCacheModel = WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER;
// Machines without a GPU (and Xvfb) get a working picture without asking
// the user to set anything.
constexpr WebKitHardwareAccelerationPolicy kAcceleration =
    WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER;

}  // namespace

WebKitWebContext* NewPrivateContext() {
  WebKitWebContext* context = webkit_web_context_new_ephemeral();
  webkit_web_context_set_cache_model(context, kCacheModel);
  webkit_web_context_set_spell_checking_enabled(context, FALSE);
  return context;
}

WebKitSettings* NewViewSettings() {
  return webkit_settings_new_with_settings(
      "enable-developer-extras", FALSE,
      "enable-write-console-messages-to-stdout", FALSE,
      "javascript-can-open-windows-automatically", FALSE,
      "enable-back-forward-navigation-gestures", FALSE,
      "allow-file-access-from-file-urls", FALSE,
      "allow-universal-access-from-file-urls", FALSE,
      "hardware-acceleration-policy", kAcceleration,
      nullptr);
}

}  // namespace brevolt::platform::webkit
