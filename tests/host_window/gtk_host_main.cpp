// A stand-in product window drawn by GTK, on whichever backend GDK_BACKEND
// names: a native Wayland client as well as an XWayland one. It reports on
// stdout as brevolt-test-host does: "placed" once mapped.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>

namespace {

gboolean Say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "--title") != 0) {
    std::fprintf(stderr, "usage: brevolt-test-gtk-host --title T\n");
    return 2;
  }
  gtk_init(nullptr, nullptr);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), argv[2]);
  gtk_window_set_default_size(GTK_WINDOW(window), 300, 200);
  g_signal_connect_swapped(window, "map-event", G_CALLBACK(Say), const_cast<char*>("placed"));
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
