// Boxes, blends and rings painted pixel by pixel through the device-context layer.
#include "ui/controls/drawing_routines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lumivex::ui {

namespace {

struct Components {
  std::int32_t red, green, blue;
};

Components componentsOf(std::int32_t color) {
  auto c = static_cast<std::uint32_t>(color);
  return {static_cast<std::int32_t>(gdi::GetRValue(c)), static_cast<std::int32_t>(gdi::GetGValue(c)),
          static_cast<std::int32_t>(gdi::GetBValue(c))};
}

std::int32_t packColor(std::int32_t red, std::int32_t green, std::int32_t blue) {
  return static_cast<std::int32_t>(
      gdi::RGB(static_cast<unsigned>(red), static_cast<unsigned>(green), static_cast<unsigned>(blue)));
}

void fillSolid(gdi::HDC hdc, const gdi::RECT& box, std::int32_t color) {
  gdi::HBRUSH brush = gdi::CreateSolidBrush(static_cast<gdi::COLORREF>(color));
  gdi::FillRect(hdc, &box, brush);
  gdi::DeleteObject(brush);
}

// Each edge is a one-pixel line that DrawBox thickens to lineWidth.
void drawOutline(gdi::HDC hdc, const gdi::RECT& b, std::int32_t color, std::int32_t lineWidth) {
  DrawBox(hdc, b.left, b.top, b.right, b.top + 1, color, false, lineWidth, kNoSecondColor, kHorizontal);
  DrawBox(hdc, b.left, b.bottom - 1, b.right + lineWidth - 1, b.bottom, color, false, lineWidth,
          kNoSecondColor, kHorizontal);
  DrawBox(hdc, b.left, b.top, b.left + 1, b.bottom, color, false, lineWidth, kNoSecondColor, kHorizontal);
  DrawBox(hdc, b.right - 1, b.top, b.right, b.bottom, color, false, lineWidth, kNoSecondColor, kHorizontal);
}

// Strips are painted from the far edge inwards; the colour lags one strip behind its step, so the
// two outermost strips both take color2 and the last one stops a step short of color.
void drawGradient(gdi::HDC hdc, gdi::RECT box, std::int32_t color, std::int32_t color2, bool vertical) {
  std::int32_t span = std::max(vertical ? box.bottom - box.top : box.right - box.left, 1);
  Components to = componentsOf(color2);
  Components from = componentsOf(color);
  Components d{from.red - to.red, from.green - to.green, from.blue - to.blue};
  std::int32_t cur = color2 & 0xFFFFFF;
  for (std::int32_t i = span; i >= 1; --i) {
    gdi::RECT strip = box;
    if (vertical) {
      strip.top = box.bottom - 1;
      box.bottom -= 1;
    } else {
      strip.left = box.right - 1;
      box.right -= 1;
    }
    fillSolid(hdc, strip, cur);
    double share = static_cast<double>(span - i) / span;
    cur = packColor(RoundToInt(to.red + d.red * share), RoundToInt(to.green + d.green * share),
                    RoundToInt(to.blue + d.blue * share));
  }
}

}  // namespace

std::int32_t RoundToInt(double value) { return static_cast<std::int32_t>(std::nearbyint(value)); }

void DrawBox(gdi::HDC hdc, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
             std::int32_t color, bool outlineOnly, std::int32_t lineWidth, std::int32_t color2,
             int direction) {
  gdi::RECT box{x1, y1, x2, y2};
  if (x1 == x2) box.right = x1 + 1;
  if (y1 == y2) box.bottom = y1 + 1;
  std::int32_t width = std::abs(box.right - box.left);
  std::int32_t height = std::abs(box.bottom - box.top);
  if (lineWidth >= 2 && !outlineOnly) {
    if (height < width)
      (box.top >= box.bottom ? box.top : box.bottom) += lineWidth - 1;
    else
      (box.left >= box.right ? box.left : box.right) += lineWidth - 1;
  }
  if (color2 < 0) {
    FillBox(hdc, box, color, 0, outlineOnly, false, false, lineWidth);
    return;
  }
  width = std::abs(box.right - box.left);
  height = std::abs(box.bottom - box.top);
  bool vertical = direction == kVertical || (direction < 0 && width < height);
  FillBox(hdc, box, color, color2, outlineOnly, true, vertical, lineWidth);
}

void FillBox(gdi::HDC hdc, gdi::RECT box, std::int32_t color, std::int32_t color2, bool outlineOnly,
             bool gradient, bool vertical, std::int32_t lineWidth) {
  if (outlineOnly)
    drawOutline(hdc, box, color, lineWidth);
  else if (gradient)
    drawGradient(hdc, box, color, color2, vertical);
  else
    fillSolid(hdc, box, color);
}

std::int32_t BlendColor(std::int32_t colorFrom, std::int32_t colorTo, float weight) {
  Components from = componentsOf(colorFrom);
  Components to = componentsOf(colorTo);
  // The weight and its complement are single precision; the products and their sum are not.
  double keep = static_cast<double>(1.0f - weight);
  double take = static_cast<double>(weight);
  auto mix = [&](std::int32_t a, std::int32_t b) { return RoundToInt(keep * a + take * b); };
  return packColor(mix(from.red, to.red), mix(from.green, to.green), mix(from.blue, to.blue));
}

void DrawRing(gdi::HDC hdc, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              std::int32_t color, std::int32_t background, float halfWidth, bool filled) {
  float radius = static_cast<float>(x2 - x1) / 2.0f;
  float inner = radius - halfWidth;
  float outer = radius + halfWidth;
  float middle = (inner + outer) / 2.0f;
  float cx = static_cast<float>(x1 + x2) / 2.0f;
  float cy = static_cast<float>(y1 + y2) / 2.0f;
  float inner2 = inner * inner;
  float outer2 = outer * outer;
  color &= 0xFFFFFF;
  background &= 0xFFFFFF;
  for (std::int32_t x = x1; x <= x2; ++x) {
    float dx = static_cast<float>(x) - cx;
    for (std::int32_t y = y1; y <= y2; ++y) {
      float dy = static_cast<float>(y) - cy;
      float s = dx * dx + dy * dy;
      if (inner2 <= s && s <= outer2) {
        float dist = std::sqrt(s);
        float w;
        if (filled)
          w = (outer - dist) / (outer - inner);
        else if (dist >= middle)
          w = (outer - dist) / (outer - middle);
        else
          w = 1.0f - (middle - dist) / (middle - inner);
        gdi::SetPixel(hdc, x, y, static_cast<gdi::COLORREF>(BlendColor(background, color, w)));
      } else if (filled && s < inner2) {
        gdi::SetPixel(hdc, x, y, static_cast<gdi::COLORREF>(color));
      }
    }
  }
}

}  // namespace lumivex::ui
