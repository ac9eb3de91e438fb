// Brevolt: invites the product's user to join its mailing list, in a window
// of its own while the product's window is put aside.
#include <gtkmm/main.h>

#include "app/frm_brevolt.h"
#include "ui/gtk/system_api.h"
#include "platform/gtk/process_settings.h"
#include "platform/x11/window_manager.h"
#include "ui/gtk/form_window.h"
#include "ui/gtk/message_box.h"
#include "ui/gtk/program_end.h"

int main() {
  using namespace brevolt;
  platform::ApplyProcessSettings();
  if (!OwnWindowCanOpen()) return 1;
  // The program takes no command line, so GTK sees none either.
  gtk_init(nullptr, nullptr);
  Gtk::Main::init_gtkmm_internals();

  ui::FormWindow window;
  platform::WindowManager wm(gdk_display_get_default());
  SystemApi api(wm, window.hWnd(), [&window](const char* title) { window.set_title(title); });
  ui::GtkMessageBoxes boxes(window);
  ui::GtkProgramEnd program_end(window, window.browser());
  FrmBrevolt form(window.controls(), api, boxes, program_end);

  window.OnFinishClick([&form] { form.lblFinish_Click(); });
  window.browser().OnNavigateComplete(
      [&form](std::shared_ptr<const platform::WebFrame> frame, const std::string& url) {
        form.WebBrowser1_NavigateComplete2(std::move(frame), url);
      });
  window.OnClose([&form, &program_end] {
    int cancel = 0;
    form.Form_Unload(cancel);
    if (cancel == 0) program_end.End();
    return true;  // kept: the unload handler cancelled
  });

  form.Form_Load();
  window.ShowCentred();
  gtk_main();
  return 0;
}
