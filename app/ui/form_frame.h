// A frame as the forms draw it: a thin line round a group of controls with its caption set into
// the top edge. Inside it the form's own background shows, which the custom controls fill
// themselves with (the style's group box panel is a shade darker, and would show round them).
// Controls inside are placed relative to the frame's top-left corner, caption included.
#pragma once

#include <QString>
#include <QWidget>

namespace lumivex::ui {

class FormFrame : public QWidget {
  Q_OBJECT

 public:
  FormFrame(const QString& title, QWidget* parent);
  QString title() const { return title_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString title_;
};

}  // namespace lumivex::ui
