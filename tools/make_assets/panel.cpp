#include "tools/make_assets/panel.h"

#include <cairo.h>

#include <memory>
#include <string>

#include "tools/make_assets/bevels.h"
#include "tools/make_assets/panel_layout.h"
#include "tools/make_assets/side_strip.h"
#include "tools/make_assets/text_painter.h"
#include "ui/panel_picture.h"
#include "ui/scaling.h"

namespace brevolt::assets {
namespace {

constexpr int kHeadingTop = 26;
constexpr int kHeadingGap = 10;
constexpr int kParagraphGap = 8;
constexpr int kLabelGap = 3;   // between a label's text box and its frame
constexpr int kNoteGap = 10;  // between the last frame and the note under it

constexpr TextPainter::Style kHeading{"DejaVu Sans Bold 11", 0x14 / 255.0, 0x33 / 255.0,
                                      0x5C / 255.0, kTextRight - kTextLeft};
constexpr double kInk = ui::kPictureText.r / 255.0;
constexpr TextPainter::Style kBody{"DejaVu Sans 8.5", kInk, kInk, kInk, kTextRight - kTextLeft};
constexpr TextPainter::Style kLabel{"DejaVu Sans Bold 8.5", kInk, kInk, kInk, 0};
constexpr TextPainter::Style kNote{"DejaVu Sans 7.5", 0.40, 0.40, 0.40, 0};

constexpr const char* kRequiredMark = "<span foreground=\"#CC0000\">*</span>";

void DrawTexts(cairo_t* cr) {
  TextPainter text(cr);
  int y = kHeadingTop;
  y += text.Draw(kTextLeft, y, std::string(ui::kInvitationHeading), kHeading) + kHeadingGap;
  y += text.Draw(kTextLeft, y, std::string(ui::kInvitationBody), kBody) + kParagraphGap;
  text.Draw(kTextLeft, y, std::string(ui::kInvitationSteps), kBody);

  for (const auto& [caption, frame] :
       {std::pair{ui::kNameLabel, kNameFrame}, {ui::kEmailLabel, kEmailFrame}}) {
    const std::string markup = std::string(caption) + kRequiredMark + ":";
    const int height = text.Measure(markup, kLabel);
    text.Draw(kTextLeft, frame.top - kLabelGap - height, markup, kLabel);
  }
  text.Draw(kTextLeft, kEmailFrame.bottom + kNoteGap,
            std::string(kRequiredMark) + " Required field", kNote);
}

// An etched line between the white page and the button band, as dialogs
// separate their content from their buttons.
void DrawButtonBand(cairo_t* cr) {
  FillBox(cr, {0, kButtonBandTop - 1, kPanelWidth - 1, kButtonBandTop - 1}, kEdgeShadow);
  FillBox(cr, {0, kButtonBandTop, kPanelWidth - 1, kButtonBandTop}, kEdgeHighlight);
  FillBox(cr, {0, kButtonBandTop + 1, kPanelWidth - 1, kPanelHeight - 1}, kDialogGrey);
}

}  // namespace

Image DrawPanel(int dpi) {
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, ui::DesignPixelsAt(kPanelWidth, dpi),
                                 ui::DesignPixelsAt(kPanelHeight, dpi)),
      cairo_surface_destroy);
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> context(cairo_create(surface.get()),
                                                             cairo_destroy);
  cairo_t* cr = context.get();
  // Every drawing below is in 1x pixels; whole-pixel boxes stay whole.
  const double scale = static_cast<double>(dpi) / ui::kDesignDpi;
  cairo_scale(cr, scale, scale);

  FillBox(cr, {0, 0, kPanelWidth - 1, kPanelHeight - 1}, kWhite);
  DrawSideStrip(cr, kStripWidth, kButtonBandTop - 1);
  DrawButtonBand(cr);
  DrawTexts(cr);
  DrawSunkenField(cr, kNameFrame);
  DrawSunkenField(cr, kEmailFrame);
  DrawRaisedButton(cr, kFinishButton);

  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) throw std::runtime_error("panel drawing failed");
  return ImageFromSurface(surface.get());
}

}  // namespace brevolt::assets
