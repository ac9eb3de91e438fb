#include "ui/gtk/style.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/stylecontext.h>

#include <cstdio>
#include <string>

#include "ui/contrast.h"
#include "ui/panel_picture.h"

namespace brevolt::ui {
namespace {

// Added to the caption when the theme's text colour would vanish on the face.
constexpr const char* kCaptionOnFaceClass = "brevolt-caption-on-face";

// The fields draw nothing of their own around the text: the picture's white
// frames are their visible frames. The caption lets the drawn button's face
// show through. "MS Sans Serif" is the face the form was designed with;
// systems without it fall back to their sans-serif.
//
// The layout is fixed in pixels, so the text sizes are too: 8.25 points at
// 96 dots per inch. In points they would follow the desktop's text scale
// and outgrow the frames and the button.
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
  font-size: 11px;
}
label.brevolt-caption {
  font-family: "MS Sans Serif", sans-serif;
  font-size: 11px;
  font-weight: bold;
  font-style: normal;
  color: @theme_text_color;
  background: transparent;
  padding: 0;
}
)css";

std::string CaptionOnFaceCss() {
  char css[128];
  std::snprintf(css, sizeof css, "label.%s.%s { color: #%02X%02X%02X; }", kCaptionClass,
                kCaptionOnFaceClass, kPictureText.r, kPictureText.g, kPictureText.b);
  return css;
}

Colour FromPicture(const PictureColour& c) { return {c.r / 255.0, c.g / 255.0, c.b / 255.0}; }

void ChooseCaptionColour(Gtk::Label& caption) {
  const auto context = caption.get_style_context();
  Gdk::RGBA theme_text;
  const bool readable =
      !context->lookup_color("theme_text_color", theme_text) ||
      ContrastRatio({theme_text.get_red(), theme_text.get_green(), theme_text.get_blue()},
                    FromPicture(kButtonFace)) >= kReadableContrast;
  // Changing the class restyles the caption, which calls back here.
  if (readable == !context->has_class(kCaptionOnFaceClass)) return;
  if (readable) {
    context->remove_class(kCaptionOnFaceClass);
  } else {
    context->add_class(kCaptionOnFaceClass);
  }
}

}  // namespace

void InstallStyle(Gtk::Window& window) {
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data(std::string(kCss) + CaptionOnFaceCss());
  Gtk::StyleContext::add_provider_for_screen(window.get_screen(), provider,
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void KeepCaptionReadable(Gtk::Label& caption) {
  caption.signal_style_updated().connect([&caption] { ChooseCaptionColour(caption); });
  ChooseCaptionColour(caption);
}

}  // namespace brevolt::ui
