#pragma once
// What the offline panel picture says and the colours it is drawn in. The
// asset generator draws with these, and the window reads them to tell a
// screen reader what the picture shows and to keep the caption readable on
// the drawn button.
#include <string>
#include <string_view>

namespace brevolt::ui {

// Inclusive pixel rectangle of the picture.
struct PixelBox {
  int left;
  int top;
  int right;
  int bottom;
};

// The outer edges of the two field frames and of the Finish button: what the
// window lays its fields and caption over.
inline constexpr PixelBox kNameFrame{204, 165, 417, 185};
inline constexpr PixelBox kEmailFrame{204, 214, 417, 234};
inline constexpr PixelBox kFinishButton{404, 323, 477, 345};

// The window draws a ring this wide around the focused field's frame, this
// far out from its outer edge.
inline constexpr int kFocusRingWidth = 2;
inline constexpr int kFocusRingGap = 0;

struct PictureColour {
  unsigned char r, g, b;
};

// The face of the drawn Finish button, and the dark grey of the picture's
// own labels and text.
inline constexpr PictureColour kButtonFace{0xD4, 0xD0, 0xC8};
inline constexpr PictureColour kPictureText{0x21, 0x21, 0x21};

// The labels over the two field frames.
inline constexpr std::string_view kNameLabel = "Name";
inline constexpr std::string_view kEmailLabel = "Email";

// The invitation, heading first. "e-mail" is written with a non-breaking
// hyphen (U+2011) so a drawn line never ends in "e-".
inline constexpr std::string_view kInvitationHeading = "Join our mailing list";
inline constexpr std::string_view kInvitationBody =
    "Be the first to hear about special discounts and product updates, sent straight to "
    "your inbox by e\u2011mail.";
inline constexpr std::string_view kInvitationSteps =
    "To sign up, enter your name and e\u2011mail address below, then click Finish.";

// The invitation as one text for a screen reader: the heading, then the
// rest, with plain hyphens, which read the same and survive braille.
inline std::string SpokenInvitation() {
  std::string text = std::string(kInvitationHeading) + ". " + std::string(kInvitationBody) + " " +
                     std::string(kInvitationSteps);
  constexpr std::string_view kNonBreakingHyphen = "\u2011";
  for (std::size_t at; (at = text.find(kNonBreakingHyphen)) != std::string::npos;) {
    text.replace(at, kNonBreakingHyphen.size(), "-");
  }
  return text;
}

}  // namespace brevolt::ui
