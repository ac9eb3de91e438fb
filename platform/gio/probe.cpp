#include "platform/gio/probe.h"

#include <gio/gio.h>

#include <memory>

#include "build_config.h"
#include "platform/gio/probe_target.h"

namespace brevolt::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Work GSocketClient leaves queued once the answer is in (losing connection
// attempts, their cancellations) is a handful of callbacks; the cap only
// guards against a source that never stops being ready.
constexpr int kMaxCleanupDispatches = 64;

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// The probe runs on the UI thread before the window is shown; everything it
// starts is attached to this context instead of the default one, so that
// no UI event is dispatched from inside it.
class PrivateContext {
 public:
  PrivateContext() : context_(g_main_context_new()) {
    g_main_context_push_thread_default(context_);
  }
  ~PrivateContext() {
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
  }
  PrivateContext(const PrivateContext&) = delete;
  PrivateContext& operator=(const PrivateContext&) = delete;

  GMainContext* get() const { return context_; }

 private:
  GMainContext* context_;
};

// Cancels the probe when the bound runs out. A cancelled name lookup returns
// at once even if the resolver's worker thread is still stuck in the system
// resolver; that thread finishes on its own later.
class Deadline {
 public:
  Deadline(GMainContext* context, GCancellable* cancellable, std::chrono::milliseconds in)
      : source_(g_timeout_source_new(static_cast<guint>(in.count()))) {
    g_source_set_callback(source_, &Deadline::Expire, g_object_ref(cancellable), g_object_unref);
    g_source_attach(source_, context);
  }
  ~Deadline() {
    g_source_destroy(source_);
    g_source_unref(source_);
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  static gboolean Expire(gpointer cancellable) {
    g_cancellable_cancel(G_CANCELLABLE(cancellable));
    return G_SOURCE_REMOVE;
  }

  GSource* source_;
};

struct Attempt {
  bool finished = false;
  bool connected = false;
};

void OnConnected(GObject* client, GAsyncResult* result, gpointer data) {
  auto* attempt = static_cast<Attempt*>(data);
  GObjectPtr<GSocketConnection> connection(
      g_socket_client_connect_finish(G_SOCKET_CLIENT(client), result, nullptr));
  if (connection) {
    attempt->connected = true;
    // Reachability is all that was asked; the server must not be left
    // holding an idle connection.
    g_io_stream_close(G_IO_STREAM(connection.get()), nullptr, nullptr);
  }
  attempt->finished = true;
}

}  // namespace

BOOL CheckConnection(const char* url, std::chrono::milliseconds bound) {
  const auto started = Clock::now();
  const auto target = ParseProbeTarget(url);
  if (!target) return 0;
  const auto remaining =
      std::chrono::ceil<std::chrono::milliseconds>(bound - (Clock::now() - started));
  if (remaining.count() <= 0) return 0;

  PrivateContext context;
  GObjectPtr<GCancellable> cancellable(g_cancellable_new());
  GObjectPtr<GSocketClient> client(g_socket_client_new());
  // The address must answer directly; a proxy answering for it proves nothing.
  g_socket_client_set_enable_proxy(client.get(), FALSE);
  GObjectPtr<GSocketConnectable> address(g_network_address_new(target->host.c_str(), target->port));

  Attempt attempt;
  {
    Deadline deadline(context.get(), cancellable.get(), remaining);
    g_socket_client_connect_async(client.get(), address.get(), cancellable.get(), &OnConnected,
                                  &attempt);
    while (!attempt.finished) g_main_context_iteration(context.get(), TRUE);
  }

  // Let whatever is still in flight see the cancellation and finish here,
  // rather than hold the private context alive after it is gone.
  g_cancellable_cancel(cancellable.get());
  for (int i = 0; i < kMaxCleanupDispatches && g_main_context_iteration(context.get(), FALSE); ++i) {
  }
  return attempt.connected ? 1 : 0;
}

BOOL InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved) {
  // Only a forced connection is implemented; anything else is refused rather
  // than answered with a guess.
  if (dwFlags != FLAG_ICC_FORCE_CONNECTION || dwReserved != 0) return 0;
  return CheckConnection(lpszUrl, kProbeTimeout);
}

}  // namespace brevolt::platform
