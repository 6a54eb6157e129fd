// The custom check box: a shaded square with a green mark when selected and a caption that wraps
// and is centred vertically as a block. A click toggles `Selected`.
#pragma once

#include "ui/controls/simple_control.h"

namespace lumivex::ui {

class SimpleCheckBox : public SimpleControl {
  Q_OBJECT

 public:
  SimpleCheckBox(const QString& name, QWidget* parent);

 protected:
  void paintGlyph(gdi::HDC hdc, std::int32_t width, std::int32_t height, std::int32_t back) override;
  void paintCaption(gdi::HDC hdc, std::int32_t width, std::int32_t height) override;
  bool selectedAfterClick() const override { return !Selected(); }
};

}  // namespace lumivex::ui
