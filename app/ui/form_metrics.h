// Form layouts are given in twips: 15 twips to a pixel at 96 dots per inch (Qt scales the pixels
// for high-density screens). Every control of the forms uses Arial.
#pragma once

#include <QFont>
#include <QRect>

namespace lumivex::ui {

inline constexpr int kTwipsPerPixel = 15;

constexpr int Twips(int twips) { return twips / kTwipsPerPixel; }

inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

inline QFont ArialFont(double points, bool bold = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace lumivex::ui
