// The progress bar: a persistent image redrawn for each new share and copied to the screen.
#include "ui/progress_display.h"

#include <QPainter>
#include <algorithm>

#include "ui/controls/drawing_routines.h"

namespace lumivex::ui {

ProgressDisplay::ProgressDisplay(QWidget* parent) : QWidget(parent) {
  setObjectName("picProgress");
  setAttribute(Qt::WA_OpaquePaintEvent);
  Cls();
}

void ProgressDisplay::DrawProgress(double fraction) {
  fraction = std::max(std::min(fraction, 1.0), 0.0);
  Cls();
  float width = ScaleWidth();
  float height = ScaleHeight();
  std::int32_t doneEnd = RoundToInt(width * fraction);
  std::int32_t bottom = RoundToInt(height);
  // At 0 the done part is widened to one pixel; at 1 the soft edge lies outside and is clipped.
  DrawBox(hdc(), 0, 0, doneEnd, bottom, kProgressDone, false, 1, kNoSecondColor, kAutomaticDirection);
  DrawBox(hdc(), doneEnd, 0, RoundToInt(width * fraction + kProgressEdgeWidth), bottom, kProgressEdge, false,
          1, kProgressBackground, kHorizontal);
  Refresh();
}

void ProgressDisplay::DrawOutcome(std::int32_t photos, std::int32_t failed) {
  if (photos <= 0 || failed <= 0) return DrawProgress(1.0);
  failed = std::min(failed, photos);
  Cls();
  std::int32_t right = RoundToInt(ScaleWidth());
  std::int32_t bottom = RoundToInt(ScaleHeight());
  std::int32_t fineEnd = RoundToInt(ScaleWidth() * static_cast<double>(photos - failed) / photos);
  if (fineEnd > 0)
    DrawBox(hdc(), 0, 0, fineEnd, bottom, kProgressDone, false, 1, kNoSecondColor, kAutomaticDirection);
  DrawBox(hdc(), fineEnd, 0, right, bottom, kProgressFailed, false, 1, kNoSecondColor, kAutomaticDirection);
  Refresh();
}

// The image follows the widget's size even before the first resize event reaches a hidden widget.
void ProgressDisplay::Cls() {
  if (surface_.width() != width() || surface_.height() != height()) surface_.resize(width(), height());
  surface_.clear(kProgressBackground);
}

void ProgressDisplay::Refresh() { update(); }

void ProgressDisplay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, surface_.snapshot());
}

void ProgressDisplay::resizeEvent(QResizeEvent*) { Cls(); }

}  // namespace lumivex::ui
