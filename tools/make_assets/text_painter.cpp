#include "tools/make_assets/text_painter.h"

#include <stdexcept>

namespace brevolt::assets {
namespace {

constexpr double kDotsPerInch = 96;

}  // namespace

TextPainter::TextPainter(cairo_t* cr) : cr_(cr), context_(pango_cairo_create_context(cr)) {
  pango_cairo_context_set_resolution(context_, kDotsPerInch);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
  pango_cairo_context_set_font_options(context_, options);
  cairo_font_options_destroy(options);
}

TextPainter::~TextPainter() { g_object_unref(context_); }

PangoLayout* TextPainter::Layout(const std::string& markup, const Style& style) {
  PangoLayout* layout = pango_layout_new(context_);
  PangoFontDescription* font = pango_font_description_from_string(style.font);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  if (style.wrap_width > 0) {
    pango_layout_set_width(layout, style.wrap_width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
  }
  GError* error = nullptr;
  PangoAttrList* attributes = nullptr;
  char* text = nullptr;
  if (!pango_parse_markup(markup.c_str(), -1, 0, &attributes, &text, nullptr, &error)) {
    const std::string message = error->message;
    g_error_free(error);
    g_object_unref(layout);
    throw std::invalid_argument("bad markup: " + message);
  }
  pango_layout_set_text(layout, text, -1);
  pango_layout_set_attributes(layout, attributes);
  pango_attr_list_unref(attributes);
  g_free(text);
  return layout;
}

int TextPainter::Measure(const std::string& markup, const Style& style) {
  PangoLayout* layout = Layout(markup, style);
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  return height;
}

int TextPainter::Draw(double x, double y, const std::string& markup, const Style& style) {
  PangoLayout* layout = Layout(markup, style);
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  cairo_set_source_rgb(cr_, style.r, style.g, style.b);
  cairo_move_to(cr_, x, y);
  pango_cairo_show_layout(cr_, layout);
  g_object_unref(layout);
  return height;
}

}  // namespace brevolt::assets
