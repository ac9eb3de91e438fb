#include "ui/gtk/form_window.h"

#include <gdk/gdkx.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/gtk/assets.h"
#include "ui/gtk/focus_ring.h"
#include "ui/gtk/style.h"
#include "ui/panel_picture.h"

namespace brevolt::ui {

FormWindow::FormWindow() {
  InstallStyle(*this);
  set_resizable(false);
  set_position(Gtk::WIN_POS_CENTER);
  set_icon_list(LoadIconImages());

  client_.set_size_request(kClientWidth, kClientHeight);
  add(client_);
  PlaceControls();
  client_.show();

  realize();
  hwnd_ = static_cast<HWND>(gdk_x11_window_get_xid(get_window()->gobj()));
  ShowPanelPictureForScale();
  property_scale_factor().signal_changed().connect([this] { ShowPanelPictureForScale(); });
  DescribeForAssistiveTechnology();
}

void FormWindow::ShowPanelPictureForScale() {
  // At a scale of 2 and above the picture drawn at twice the size is shown
  // at the layout's size, so its lines and text are as sharp as the fields'.
  const int scale = get_scale_factor() >= 2 ? 2 : 1;
  if (scale == picture_scale_) return;
  picture_scale_ = scale;
  if (scale == 1) {
    img_finish_.set(LoadPanelPicture());
    return;
  }
  cairo_surface_t* surface = gdk_cairo_surface_create_from_pixbuf(
      LoadDoublePanelPicture()->gobj(), scale, get_window()->gobj());
  gtk_image_set_from_surface(img_finish_.gobj(), surface);
  cairo_surface_destroy(surface);
}

void FormWindow::DescribeForAssistiveTechnology() {
  // What the picture says only in pixels: its invitation, and the labels
  // over the two frames. The picture itself and the never shown Text1 are
  // nothing a screen reader should stop at.
  get_accessible()->set_description(SpokenInvitation());
  txt_name_.get_accessible()->set_name(std::string(kNameLabel));
  txt_email_.get_accessible()->set_name(std::string(kEmailLabel));
  lbl_finish_box_.get_accessible()->set_name(std::string(kFinishCaption));
  KeepOutOfAccessibleTree(img_finish_);
  KeepOutOfAccessibleTree(text1_);
}

void FormWindow::DrawFocusRings(const Cairo::RefPtr<Cairo::Context>& cr) {
  for (auto [field, frame] : {std::pair{&txt_name_, kNameFrame}, {&txt_email_, kEmailFrame}}) {
    if (field->get_visible() && field->has_focus()) DrawFocusRing(cr, frame, FocusColour(*field));
  }
}

Gtk::Widget& FormWindow::WidgetOf(ControlId id) {
  switch (id) {
    case ControlId::txtEmail: return txt_email_;
    case ControlId::txtName: return txt_name_;
    case ControlId::Text1: return text1_;
    case ControlId::WebBrowser1: return web_browser_site_;
    case ControlId::lblFinish: return lbl_finish_box_;
    case ControlId::imgFinish: return img_finish_;
  }
  return img_finish_;
}

void FormWindow::PlaceControls() {
  img_finish_.set_halign(Gtk::ALIGN_START);
  img_finish_.set_valign(Gtk::ALIGN_START);
  // The rings lie on the picture, drawn after it.
  img_finish_.signal_draw().connect(
      [this](const Cairo::RefPtr<Cairo::Context>& cr) {
        DrawFocusRings(cr);
        return false;
      },
      /*after=*/true);

  lbl_finish_.set_text(std::string(kFinishCaption));
  lbl_finish_.set_use_underline(false);
  lbl_finish_.get_style_context()->add_class(kCaptionClass);
  KeepCaptionReadable(lbl_finish_);
  lbl_finish_box_.set_visible_window(false);
  lbl_finish_box_.set_can_focus(false);
  lbl_finish_box_.add(lbl_finish_);
  lbl_finish_.show();
  ConnectFinish();

  using Fields = std::initializer_list<Gtk::Entry*>;
  for (Gtk::Entry* field : Fields{&txt_email_, &txt_name_, &text1_}) {
    field->set_has_frame(false);
    field->get_style_context()->add_class(kFieldClass);
    // Return in a field does nothing: the window has no default button.
    field->set_activates_default(false);
  }
  for (Gtk::Entry* field : Fields{&txt_email_, &txt_name_}) {
    const auto redraw_ring = [this](GdkEventFocus*) {
      img_finish_.queue_draw();
      return false;
    };
    field->signal_focus_in_event().connect(redraw_ring);
    field->signal_focus_out_event().connect(redraw_ring);
  }
  text1_.set_text(std::string(kText1Initial));

  // Each control is put in from the back of the stack to the front, so the
  // last one put lies on top.
  for (auto it = kLayout.rbegin(); it != kLayout.rend(); ++it) {
    Gtk::Widget& widget = WidgetOf(it->id);
    if (it->id != ControlId::imgFinish) widget.set_size_request(it->cx(), it->cy());
    client_.put(widget, it->x(), it->y());
    widget.set_visible(it->starts_visible);
  }
}

void FormWindow::ConnectFinish() {
  // Assistive technology's click is the mouse's.
  lbl_finish_box_.OnClick([this] {
    if (on_finish_click_) on_finish_click_();
  });
  lbl_finish_box_.add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
  // A click is a press and a release of the first button over the caption.
  lbl_finish_box_.signal_button_press_event().connect([this](GdkEventButton* e) {
    // A quick second click also arrives as the tail of a double click; it
    // is still a click on Finish, so only the extra double-click events are
    // passed over.
    if (e->type != GDK_BUTTON_PRESS) return true;
    finish_pressed_ = e->button == 1;
    return true;
  });
  lbl_finish_box_.signal_button_release_event().connect([this](GdkEventButton* e) {
    const bool click = finish_pressed_ && e->button == 1 && e->x >= 0 && e->y >= 0 &&
                       e->x < lbl_finish_box_.get_allocated_width() &&
                       e->y < lbl_finish_box_.get_allocated_height();
    finish_pressed_ = false;
    if (click && on_finish_click_) on_finish_click_();
    return true;
  });
  lbl_finish_box_.signal_realize().connect([this] {
    lbl_finish_box_.get_window()->set_cursor(LoadHandCursor(get_display()));
  });
}

FormControls FormWindow::controls() {
  return FormControls{hwnd_,           img_finish_control_, txt_name_control_, txt_email_control_,
                      text1_control_, lbl_finish_control_, browser_site_};
}

void FormWindow::FocusFirstInTabOrder() {
  std::vector<const ControlLayout*> order;
  for (const ControlLayout& c : kLayout) {
    if (c.tab_index) order.push_back(&c);
  }
  std::sort(order.begin(), order.end(),
            [](const ControlLayout* a, const ControlLayout* b) { return *a->tab_index < *b->tab_index; });
  // Showing the window may already have focused a control; moving focus
  // again from there would skip it.
  const Gtk::Widget* focused = get_focus();
  for (const ControlLayout* c : order) {
    Gtk::Widget& widget = WidgetOf(c->id);
    if (!widget.get_visible()) continue;
    if (focused && (focused == &widget || focused->is_ancestor(widget))) return;
    if (widget.child_focus(Gtk::DIR_TAB_FORWARD)) return;
  }
}

void FormWindow::ShowCentred() {
  show();
  FocusFirstInTabOrder();
}

bool FormWindow::on_delete_event(GdkEventAny* /*event*/) {
  return on_close_ ? on_close_() : false;
}

}  // namespace brevolt::ui
