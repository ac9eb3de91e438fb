// The least the online face can cost: a gtkmm window around one web view
// with the program's private context and settings, loading the sign-up
// page. The engine is linked, not opened on demand.
#include <gtkmm/main.h>
#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <string>

#include "bench/floor_window.h"
#include "build_config.h"
#include "platform/gtk/process_settings.h"
#include "platform/webkit/engine_session.h"

int main() {
  using namespace brevolt;
  platform::ApplyProcessSettings();
  gtk_init(nullptr, nullptr);
  Gtk::Main::init_gtkmm_internals();

  Gtk::Window window;
  bench::ShapeLikeTheProgram(window);
  WebKitWebContext* context = platform::webkit::NewPrivateContext();
  WebKitSettings* settings = platform::webkit::NewViewSettings();
  GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                            "settings", settings, nullptr));
  g_object_unref(settings);
  gtk_widget_set_size_request(view, bench::kClientWidth, bench::kClientHeight);
  gtk_container_add(GTK_CONTAINER(window.gobj()), view);
  gtk_widget_show(view);
  // As the program does: the load starts before the window is shown.
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), std::string(kSignUpUrl).c_str());
  window.show();
  gtk_main();
  return 0;
}
