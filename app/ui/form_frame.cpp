// The forms' group frame, painted by hand so that the form's background shows inside it.
#include "ui/form_frame.h"

#include <QFontMetrics>
#include <QPainter>
#include <utility>

namespace lumivex::ui {

namespace {
constexpr int kTitleLeft = 8;
constexpr int kTitleGap = 2;
}  // namespace

FormFrame::FormFrame(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {}

void FormFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QFontMetrics metrics(font());
  int lineY = metrics.height() / 2;
  int titleWidth = title_.isEmpty() ? 0 : metrics.horizontalAdvance(title_) + 2 * kTitleGap;
  QRect edge(0, lineY, width() - 1, height() - lineY - 1);
  // The etched look: a dark line with a light one just inside and below it.
  for (auto [offset, role] : {std::pair{1, QPalette::Light}, std::pair{0, QPalette::Mid}}) {
    painter.setPen(palette().color(role));
    QRect line = edge.translated(offset, offset).adjusted(0, 0, -1, -1);
    painter.drawLine(line.topLeft(), QPoint(kTitleLeft - kTitleGap, line.top()));
    painter.drawLine(QPoint(kTitleLeft - kTitleGap + titleWidth, line.top()), line.topRight());
    painter.drawLine(line.topRight(), line.bottomRight());
    painter.drawLine(line.bottomRight(), line.bottomLeft());
    painter.drawLine(line.bottomLeft(), line.topLeft());
  }
  painter.setPen(palette().color(isEnabled() ? QPalette::WindowText : QPalette::PlaceholderText));
  painter.drawText(QRect(kTitleLeft, 0, width() - kTitleLeft, metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                   title_);
}

}  // namespace lumivex::ui
