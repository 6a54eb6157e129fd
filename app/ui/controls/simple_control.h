// What the custom check box and option button share: their properties, the hot, pressed and armed
// states that follow the mouse, the tooltip, and a persistent image repainted on every change of
// look. A click (button pressed and released inside) changes `Selected` the way the kind of
// control wants and raises `Click`; a release outside changes nothing.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "platform/gdi.h"
#include "ui/controls/dib_surface.h"

namespace lumivex::ui {

// A new control is 975 twips wide.
inline constexpr int kNewControlWidth = 65;
inline constexpr int kNewControlHeight = 17;
inline constexpr std::int32_t kCaptionLeft = 17;

class SimpleControl : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
  Q_PROPERTY(bool Selected READ Selected WRITE setSelected)
  Q_PROPERTY(QColor BackColor READ BackColor WRITE setBackColor)
  Q_PROPERTY(QColor ForeColor READ ForeColor WRITE setForeColor)
  Q_PROPERTY(QString ToolTip READ ToolTip WRITE setToolTipText)

 public:
  // `name` is the control's name in its form, which is also its first caption. Enabled and Font
  // are the widget's own; the font is the container's until set.
  SimpleControl(const QString& name, QWidget* parent);

  QString Caption() const { return caption_; }
  void setCaption(const QString& caption);
  bool Selected() const { return selected_; }
  // From code: repaints but raises no Click.
  void setSelected(bool selected);
  // An invalid colour (the default) stands for the container's background.
  QColor BackColor() const { return backColor_; }
  void setBackColor(const QColor& color);
  QColor ForeColor() const { return foreColor_; }
  void setForeColor(const QColor& color);
  QString ToolTip() const { return toolTip_; }
  // A different text replaces the tooltip; an empty one leaves the control without one.
  void setToolTipText(const QString& text);

  void CreateToolTip();
  void DestroyToolTip();
  bool hasToolTipWindow() const { return toolTipShown_; }

  bool isHot() const { return hot_; }
  bool isPressed() const { return pressed_; }
  bool isArmed() const { return armed_; }

  // The persistent image as last painted.
  QImage image() const { return surface_.snapshot(); }

 signals:
  void Click();

 protected:
  // The glyph on the left, drawn over the background fill.
  virtual void paintGlyph(gdi::HDC hdc, std::int32_t width, std::int32_t height, std::int32_t back) = 0;
  virtual void paintCaption(gdi::HDC hdc, std::int32_t width, std::int32_t height) = 0;
  // The value of Selected after a click.
  virtual bool selectedAfterClick() const = 0;

  // Colours as 0x00BBGGRR: the background, and the caption's (grey when disabled).
  std::int32_t translatedBackColor() const;
  std::int32_t captionColor() const;

  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

  void Repaint();

 private:
  bool isOutside(const QPointF& point) const;
  bool isStrictlyInside(const QPointF& point) const;

  QString caption_;
  bool selected_ = false;
  QColor backColor_;
  QColor foreColor_{0, 0, 0};
  QString toolTip_;
  bool toolTipShown_ = false;
  bool hot_ = false;
  bool pressed_ = false;
  bool armed_ = false;
  DibSurface surface_;
};

// 0x00BBGGRR of a colour.
std::int32_t ColorRefOf(const QColor& color);

}  // namespace lumivex::ui
