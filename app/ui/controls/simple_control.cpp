// The mouse states and repainting shared by the custom check box and option button.
#include "ui/controls/simple_control.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/controls/drawing_routines.h"

namespace lumivex::ui {

std::int32_t ColorRefOf(const QColor& color) {
  QColor rgb = color.toRgb();
  return static_cast<std::int32_t>(gdi::RGB(static_cast<unsigned>(rgb.red()),
                                            static_cast<unsigned>(rgb.green()),
                                            static_cast<unsigned>(rgb.blue())));
}

SimpleControl::SimpleControl(const QString& name, QWidget* parent) : QWidget(parent), caption_(name) {
  setObjectName(name);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Moves without a button pressed make the control hot while the pointer rests on it.
  setMouseTracking(true);
  resize(kNewControlWidth, kNewControlHeight);
  CreateToolTip();
  // The first paint is the derived control's: its glyph does not exist yet here.
}

void SimpleControl::setCaption(const QString& caption) {
  caption_ = caption;
  Repaint();
}

void SimpleControl::setSelected(bool selected) {
  selected_ = selected;
  Repaint();
}

void SimpleControl::setBackColor(const QColor& color) {
  backColor_ = color;
  Repaint();
}

void SimpleControl::setForeColor(const QColor& color) {
  foreColor_ = color;
  Repaint();
}

void SimpleControl::setToolTipText(const QString& text) {
  if (text == toolTip_) return;
  DestroyToolTip();
  toolTip_ = text;
  CreateToolTip();
  // The first paint is the derived control's: its glyph does not exist yet here.
}

void SimpleControl::CreateToolTip() {
  if (toolTip_.isEmpty()) return;
  QWidget::setToolTip(toolTip_);
  toolTipShown_ = true;
}

void SimpleControl::DestroyToolTip() {
  if (!toolTipShown_) return;
  QWidget::setToolTip(QString());
  toolTipShown_ = false;
}

std::int32_t SimpleControl::translatedBackColor() const {
  return ColorRefOf(backColor_.isValid() ? backColor_ : palette().color(QPalette::Window));
}

// A disabled caption takes the light 3-D highlight colour, the look of disabled text.
std::int32_t SimpleControl::captionColor() const {
  return isEnabled() ? ColorRefOf(foreColor_)
                     : ColorRefOf(palette().color(QPalette::Active, QPalette::Light));
}

void SimpleControl::Repaint() {
  if (surface_.width() != width() || surface_.height() != height()) surface_.resize(width(), height());
  std::int32_t w = surface_.width();
  std::int32_t h = surface_.height();
  std::int32_t back = translatedBackColor();
  DrawBox(surface_.hdc(), 0, 0, w, h, back, false, 1, kNoSecondColor, kAutomaticDirection);
  paintGlyph(surface_.hdc(), w, h, back);
  paintCaption(surface_.hdc(), w, h);
  update();
}

bool SimpleControl::isOutside(const QPointF& p) const {
  return p.x() < 0 || p.y() < 0 || p.x() > width() || p.y() > height();
}

bool SimpleControl::isStrictlyInside(const QPointF& p) const {
  return p.x() > 0 && p.x() < width() && p.y() > 0 && p.y() < height();
}

void SimpleControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // Qt keeps sending the moves and the release here until the button goes up (its implicit grab).
  pressed_ = hot_ = true;
  armed_ = true;
  Repaint();
}

void SimpleControl::mouseMoveEvent(QMouseEvent* event) {
  bool over = !isOutside(event->position());
  if (over == hot_) return;
  hot_ = over;
  Repaint();
}

void SimpleControl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !armed_) return;
  pressed_ = false;
  armed_ = false;
  bool clicked = isStrictlyInside(event->position());
  hot_ = clicked;
  if (clicked) selected_ = selectedAfterClick();
  Repaint();
  if (clicked) emit Click();
}

void SimpleControl::leaveEvent(QEvent*) {
  if (pressed_ || !hot_) return;
  hot_ = false;
  Repaint();
}

void SimpleControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, surface_.snapshot());
}

void SimpleControl::resizeEvent(QResizeEvent*) { Repaint(); }

void SimpleControl::changeEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::FontChange:
    case QEvent::PaletteChange:
      Repaint();
      break;
    default:
      break;
  }
  QWidget::changeEvent(event);
}

}  // namespace lumivex::ui
