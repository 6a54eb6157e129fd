// The custom check box's look: its shaded square, the mark and the wrapped caption.
#include "ui/controls/simple_check_box.h"

#include "ui/controls/drawing_routines.h"
#include "ui/controls/text_drawing.h"

namespace lumivex::ui {

namespace {

constexpr std::int32_t kFacePressed = static_cast<std::int32_t>(gdi::RGB(255, 255, 250));
constexpr std::int32_t kFace = static_cast<std::int32_t>(gdi::RGB(235, 235, 248));
constexpr std::int32_t kWhite = static_cast<std::int32_t>(gdi::RGB(255, 255, 255));
constexpr std::int32_t kFrame = static_cast<std::int32_t>(gdi::RGB(128, 128, 128));
constexpr std::int32_t kMark = static_cast<std::int32_t>(gdi::RGB(60, 180, 50));
constexpr std::int32_t kMarkDisabled = static_cast<std::int32_t>(gdi::RGB(120, 120, 120));
constexpr std::int32_t kMarkEnd = static_cast<std::int32_t>(gdi::RGB(60, 150, 40));
constexpr std::int32_t kHotOutline = static_cast<std::int32_t>(gdi::RGB(240, 180, 80));

// Half the height plus or minus an offset, rounded half to even: the glyph rows are centred.
std::int32_t centredRow(std::int32_t height, std::int32_t offset) {
  return RoundToInt((height + offset) / 2.0);
}

}  // namespace

SimpleCheckBox::SimpleCheckBox(const QString& name, QWidget* parent) : SimpleControl(name, parent) {
  Repaint();
}

void SimpleCheckBox::paintGlyph(gdi::HDC hdc, std::int32_t, std::int32_t h, std::int32_t) {
  DrawBox(hdc, 3, centredRow(h, -11), 13, centredRow(h, 10), isPressed() ? kFacePressed : kFace, false, 1,
          kWhite, kAutomaticDirection);
  DrawBox(hdc, 2, centredRow(h, -12), 14, centredRow(h, 12), kFrame, true, 1, kNoSecondColor,
          kAutomaticDirection);
  if (Selected())
    DrawBox(hdc, 5, centredRow(h, -7), 11, centredRow(h, 7), isEnabled() ? kMark : kMarkDisabled, false, 1,
            kMarkEnd, kAutomaticDirection);
  if (isHot())
    DrawBox(hdc, 3, centredRow(h, -11), 12, centredRow(h, 7), kHotOutline, true, 2, kNoSecondColor,
            kAutomaticDirection);
}

// The caption wraps within the space right of the glyph and is centred vertically as a block.
void SimpleCheckBox::paintCaption(gdi::HDC hdc, std::int32_t w, std::int32_t h) {
  gdi::RECT measured{kCaptionLeft, 0, w, h};
  std::int32_t textHeight = DrawTextW(hdc, Caption(), measured, DT_CALCRECT | DT_WORDBREAK, font(), 0);
  gdi::RECT box{kCaptionLeft, centredRow(h, -textHeight), w, centredRow(h, textHeight)};
  DrawTextW(hdc, Caption(), box, DT_WORDBREAK, font(), captionColor());
}

}  // namespace lumivex::ui
