// Captions measured and painted with Qt straight into a device context's bitmap.
#include "ui/controls/text_drawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <climits>

#include "ui/controls/dib_surface.h"

namespace lumivex::ui {

namespace {

int qtFlagsOf(unsigned format) {
  int flags = Qt::AlignLeft | Qt::AlignTop;
  if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
  return flags;
}

QRect qtRectOf(const gdi::RECT& rect) {
  return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

// Sizes follow the bitmap's own resolution, so measuring and drawing agree.
QRect measure(const QImage& image, const QString& text, const gdi::RECT& rect, unsigned format,
              const QFont& font) {
  QFontMetrics metrics = image.isNull() ? QFontMetrics(font) : QFontMetrics(font, &image);
  int width = (format & DT_WORDBREAK) ? rect.right - rect.left : INT_MAX / 4;
  return metrics.boundingRect(QRect(rect.left, rect.top, width, INT_MAX / 4), qtFlagsOf(format), text);
}

}  // namespace

int DrawTextW(gdi::HDC hdc, const QString& text, gdi::RECT& rect, unsigned format, const QFont& font,
              std::int32_t color) {
  QImage image = ImageOfDeviceContext(hdc);
  if (format & DT_CALCRECT) {
    QRect fitted = measure(image, text, rect, format, font);
    rect.right = rect.left + fitted.width();
    rect.bottom = rect.top + fitted.height();
    return fitted.height();
  }
  if (image.isNull()) return 0;
  QPainter painter(&image);
  painter.setFont(font);
  auto c = static_cast<gdi::COLORREF>(color);
  painter.setPen(QColor(static_cast<int>(gdi::GetRValue(c)), static_cast<int>(gdi::GetGValue(c)),
                        static_cast<int>(gdi::GetBValue(c))));
  QRect drawn;
  painter.drawText(qtRectOf(rect), qtFlagsOf(format), text, &drawn);
  return drawn.height();
}

}  // namespace lumivex::ui
