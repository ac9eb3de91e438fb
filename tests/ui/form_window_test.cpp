// The real window on a private X server: every control where the layout
// table puts it, at 96 dots per inch, and the faces as start-up leaves them.
#include "ui/gtk/form_window.h"

#include <gtest/gtest.h>
#include <gtkmm/main.h>

#include "platform/gtk/process_settings.h"
#include "tests/harness/x_session.h"

namespace brevolt::ui {
namespace {

class FormWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    session_ = new test::XSession();
    platform::ApplyProcessSettings();
    gtk_init(nullptr, nullptr);
    Gtk::Main::init_gtkmm_internals();
  }

  // Lets GTK map and allocate what was shown.
  static void Settle(FormWindow& window) {
    test::WaitUntil(
        [&] {
          while (gtk_events_pending()) gtk_main_iteration();
          return window.get_mapped();
        },
        std::chrono::seconds(10));
    while (gtk_events_pending()) gtk_main_iteration();
  }

  static test::XSession* session_;
};

test::XSession* FormWindowTest::session_ = nullptr;

TEST_F(FormWindowTest, EveryControlSitsWhereTheTableSays) {
  FormWindow window;
  // The offline face: the picture, both fields and the caption.
  for (ControlId id : {ControlId::imgFinish, ControlId::txtName, ControlId::txtEmail,
                       ControlId::lblFinish}) {
    window.WidgetOf(id).show();
  }
  window.WidgetOf(ControlId::WebBrowser1).hide();
  window.ShowCentred();
  Settle(window);

  EXPECT_EQ(window.get_allocated_width(), kClientWidth);
  EXPECT_EQ(window.get_allocated_height(), kClientHeight);
  EXPECT_FALSE(window.get_resizable());
  for (const ControlLayout& c : kLayout) {
    if (c.id == ControlId::WebBrowser1 || c.id == ControlId::Text1) continue;
    SCOPED_TRACE(c.name);
    const Gtk::Allocation a = window.WidgetOf(c.id).get_allocation();
    // Allocations are relative to the client area, which starts at (0, 0).
    EXPECT_EQ(a.get_x(), c.x());
    EXPECT_EQ(a.get_y(), c.y());
    EXPECT_EQ(a.get_width(), c.cx());
    EXPECT_EQ(a.get_height(), c.cy());
  }
  EXPECT_FALSE(window.WidgetOf(ControlId::Text1).get_visible());
  EXPECT_TRUE(window.WidgetOf(ControlId::txtName).has_focus());
  EXPECT_FALSE(window.WidgetOf(ControlId::lblFinish).get_can_focus());
}

TEST_F(FormWindowTest, TheBrowserSiteOverhangsTheClientAreaOnEverySide) {
  FormWindow window;
  for (ControlId id : {ControlId::imgFinish, ControlId::txtName, ControlId::txtEmail,
                       ControlId::lblFinish}) {
    window.WidgetOf(id).hide();
  }
  window.WidgetOf(ControlId::WebBrowser1).show();
  window.ShowCentred();
  Settle(window);

  // The site keeps its full size even though it reaches past the window.
  const ControlLayout& b = LayoutOf(ControlId::WebBrowser1);
  const Gtk::Allocation a = window.WidgetOf(ControlId::WebBrowser1).get_allocation();
  EXPECT_EQ(a.get_x(), b.x());
  EXPECT_EQ(a.get_y(), b.y());
  EXPECT_EQ(a.get_width(), b.cx());
  EXPECT_EQ(a.get_height(), b.cy());
  EXPECT_EQ(window.get_allocated_width(), kClientWidth);
  EXPECT_EQ(window.get_allocated_height(), kClientHeight);
}

}  // namespace
}  // namespace brevolt::ui
