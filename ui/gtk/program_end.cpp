#include "ui/gtk/program_end.h"

#include <unistd.h>

#include <cstdio>

namespace brevolt::ui {

void GtkProgramEnd::End() {
  browser_.Terminate();
  window_.hide();
  // Whatever the handler asked of the X server (showing the product's window
  // again) and our unmap must reach it before the connection closes.
  gdk_display_sync(gdk_display_get_default());
  std::fflush(nullptr);
  // Leaving through _exit keeps every pending event, idle and destructor
  // from running: the window is gone and no handler runs after this.
  _exit(0);
}

}  // namespace brevolt::ui
