#include "ui/gtk/style.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/stylecontext.h>

namespace brevolt::ui {
namespace {

// The fields draw nothing of their own around the text: the picture's white
// frames are their visible frames. The caption lets the drawn button's face
// show through. "MS Sans Serif" is the face the form was designed with;
// systems without it fall back to their sans-serif.
constexpr const char* kCss = R"css(
entry.brevolt-field {
  min-height: 0;
  padding: 0 2px;
  margin: 0;
  border: none;
  border-radius: 0;
  box-shadow: none;
  outline: none;
  background: transparent;
  color: black;
  font-family: "MS Sans Serif", sans-serif;
  font-size: 8.25pt;
}
label.brevolt-caption {
  font-family: "MS Sans Serif", sans-serif;
  font-size: 8.25pt;
  font-weight: bold;
  font-style: normal;
  color: @theme_text_color;
  background: transparent;
  padding: 0;
}
)css";

}  // namespace

void InstallStyle(Gtk::Window& window) {
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data(kCss);
  Gtk::StyleContext::add_provider_for_screen(window.get_screen(), provider,
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

}  // namespace brevolt::ui
