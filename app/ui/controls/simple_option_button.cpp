// The custom option button's look: the round glyph, its dot and the one-line caption.
#include "ui/controls/simple_option_button.h"

#include "ui/controls/drawing_routines.h"
#include "ui/controls/text_drawing.h"

namespace lumivex::ui {

namespace {

constexpr std::int32_t kFacePressed = static_cast<std::int32_t>(gdi::RGB(255, 255, 250));
constexpr std::int32_t kFace = static_cast<std::int32_t>(gdi::RGB(235, 235, 248));
constexpr std::int32_t kHotRing = static_cast<std::int32_t>(gdi::RGB(235, 170, 70));
constexpr std::int32_t kFrame = static_cast<std::int32_t>(gdi::RGB(0, 0, 0));
constexpr std::int32_t kDot = static_cast<std::int32_t>(gdi::RGB(60, 180, 50));

// Rows from half the height plus or minus an offset, rounded half to even.
std::int32_t rowAround(std::int32_t height, double offset) { return RoundToInt(height / 2.0 + offset); }

}  // namespace

SimpleOptionButton::SimpleOptionButton(const QString& name, QWidget* parent) : SimpleControl(name, parent) {
  Repaint();
}

void SimpleOptionButton::paintGlyph(gdi::HDC hdc, std::int32_t, std::int32_t h, std::int32_t back) {
  std::int32_t top = rowAround(h, -9);
  std::int32_t bottom = rowAround(h, 9);
  std::int32_t face = isPressed() ? kFacePressed : kFace;
  DrawRing(hdc, 3, top, 14, bottom, face, back, 1.0f, true);
  if (isHot()) DrawRing(hdc, 5, top, 12, bottom, kHotRing, face, 1.2f, false);
  DrawRing(hdc, 3, top, 14, bottom, kFrame, back, 1.0f, false);
  // The dot keeps its colour when the button is disabled.
  if (Selected()) DrawRing(hdc, 6, rowAround(h, -7), 11, rowAround(h, 7), kDot, face, 0.5f, true);
}

// One line, centred vertically by the height of a line of the font.
void SimpleOptionButton::paintCaption(gdi::HDC hdc, std::int32_t w, std::int32_t h) {
  gdi::RECT sample{0, 0, w, h};
  std::int32_t lineHeight = DrawTextW(hdc, QStringLiteral("Xy"), sample, DT_CALCRECT, font(), 0);
  gdi::RECT box{kCaptionLeft, RoundToInt((h - lineHeight) / 2.0), w, RoundToInt((h + lineHeight) / 2.0)};
  DrawTextW(hdc, Caption(), box, DT_SINGLE_LINE_TOP_LEFT, font(), captionColor());
}

}  // namespace lumivex::ui
