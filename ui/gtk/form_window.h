#pragma once
// FrmBrevolt's window: a fixed client area holding the six controls of the
// layout table, stacked and tab-ordered as the table says.
#include <gtkmm/box.h>
#include <gtkmm/entry.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/layout.h>
#include <gtkmm/window.h>

#include <functional>

#include "app/form_interfaces.h"
#include "ui/gtk/accessible_widgets.h"
#include "ui/gtk/browser_site.h"
#include "ui/gtk/gtk_controls.h"
#include "ui/layout.h"

namespace brevolt::ui {

class FormWindow : public Gtk::Window {
 public:
  FormWindow();

  // The window exists on the X server (unmapped) from construction on, so
  // that it has a handle before it is first shown.
  HWND hWnd() const { return hwnd_; }
  FormControls controls();
  BrowserSite& browser() { return browser_site_; }
  // The widget standing for a control of the layout table.
  Gtk::Widget& WidgetOf(ControlId id);

  void OnFinishClick(std::function<void()> handler) { on_finish_click_ = std::move(handler); }
  // Called on the window's close command; returns true to keep the window.
  void OnClose(std::function<bool()> handler) { on_close_ = std::move(handler); }

  // Shows the window centred on the screen, the focus on the visible control
  // with the lowest tab index that can take it.
  void ShowCentred();

 private:
  void PlaceControls();
  void ConnectFinish();
  void ShowPanelPictureForScale();
  void DescribeForAssistiveTechnology();
  void DrawFocusRings(const Cairo::RefPtr<Cairo::Context>& cr);
  void FocusFirstInTabOrder();
  bool on_delete_event(GdkEventAny* event) override;

  ClientArea client_;
  RequiredEntry txt_email_, txt_name_;
  Gtk::Entry text1_;
  Gtk::Box web_browser_site_;
  CaptionButton lbl_finish_box_;
  Gtk::Label lbl_finish_;
  Gtk::Image img_finish_;
  int picture_scale_ = 0;

  WidgetControl img_finish_control_{img_finish_};
  WidgetControl lbl_finish_control_{lbl_finish_box_};
  EntryTextBox txt_name_control_{txt_name_};
  EntryTextBox txt_email_control_{txt_email_};
  EntryTextBox text1_control_{text1_};
  BrowserSite browser_site_{web_browser_site_};

  bool finish_pressed_ = false;
  std::function<void()> on_finish_click_;
  std::function<bool()> on_close_;
  HWND hwnd_ = 0;
};

}  // namespace brevolt::ui
