#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/webkit/web_view.h"

namespace brevolt::platform {
namespace {

[[noreturn]] void FailToLoad(const char* what) {
  const char* reason = dlerror();
  std::fprintf(stderr, "brevolt: cannot %s the web browser module %s: %s\n", what,
               kWebViewModuleName, reason != nullptr ? reason : "unknown error");
  std::abort();
}

CreateWebViewFn LoadEntry() {
  // Called from the executable's own code, so its run path ($ORIGIN beside
  // it, or the installed module directory) is what dlopen searches. The
  // handle is never closed: the engine cannot be unloaded safely.
  void* module = dlopen(kWebViewModuleName, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) FailToLoad("load");
  dlerror();
  void* entry = dlsym(module, kCreateWebViewSymbol);
  if (entry == nullptr) FailToLoad("find the entry point in");
  return reinterpret_cast<CreateWebViewFn>(entry);
}

}  // namespace

std::unique_ptr<WebView> CreateWebView(NavigateCompleteHandler on_navigate) {
  static const CreateWebViewFn create = LoadEntry();
  return std::unique_ptr<WebView>(create(std::move(on_navigate)));
}

}  // namespace brevolt::platform
