#pragma once
#include <gtkmm/window.h>

#include "app/form_interfaces.h"
#include "ui/gtk/browser_site.h"

namespace brevolt::ui {

// Ends the process from inside a handler: nothing queued in the event loop
// runs afterwards, the web engine's processes go with us, and the exit
// status is 0.
class GtkProgramEnd : public ProgramEnd {
 public:
  GtkProgramEnd(Gtk::Window& window, BrowserSite& browser) : window_(window), browser_(browser) {}
  [[noreturn]] void End() override;

 private:
  Gtk::Window& window_;
  BrowserSite& browser_;
};

}  // namespace brevolt::ui
