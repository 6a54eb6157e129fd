// The custom option button: a round glyph with a green dot when selected and a one-line caption.
// A click always selects it (clicking a selected button raises Click again); unselecting the other
// buttons of its group is left to the form.
#pragma once

#include "ui/controls/simple_control.h"

namespace lumivex::ui {

class SimpleOptionButton : public SimpleControl {
  Q_OBJECT

 public:
  SimpleOptionButton(const QString& name, QWidget* parent);

 protected:
  void paintGlyph(gdi::HDC hdc, std::int32_t width, std::int32_t height, std::int32_t back) override;
  void paintCaption(gdi::HDC hdc, std::int32_t width, std::int32_t height) override;
  bool selectedAfterClick() const override { return true; }
};

}  // namespace lumivex::ui
