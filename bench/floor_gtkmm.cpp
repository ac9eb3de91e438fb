// The least a window of the offline face's size can cost: gtkmm started the
// way the program starts it, one entry field, no web engine anywhere.
#include <gtkmm/entry.h>
#include <gtkmm/layout.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>

#include "bench/floor_window.h"
#include "platform/gtk/process_settings.h"

int main() {
  brevolt::platform::ApplyProcessSettings();
  gtk_init(nullptr, nullptr);
  Gtk::Main::init_gtkmm_internals();

  Gtk::Window window;
  brevolt::bench::ShapeLikeTheProgram(window);
  Gtk::Layout client;
  client.set_size_request(brevolt::bench::kClientWidth, brevolt::bench::kClientHeight);
  Gtk::Entry entry;
  client.put(entry, brevolt::bench::kEntryX, brevolt::bench::kEntryY);
  window.add(client);
  window.show_all();
  gtk_main();
  return 0;
}
