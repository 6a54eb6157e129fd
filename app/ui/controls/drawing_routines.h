// The shared drawing routines of the progress bar and the custom controls: boxes (filled, outlined
// or shaded from one colour to another), a colour blend and an anti-aliased ring or disc. They
// draw through the device-context layer into the bitmap selected into `hdc`, in device pixels;
// colours are 0x00BBGGRR.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

namespace lumivex::ui {

// A second colour of -1 means a plain fill or outline rather than a gradient.
inline constexpr std::int32_t kNoSecondColor = -1;

// Gradient axes for DrawBox: horizontal, vertical, or vertical only when the box is taller than
// wide (any negative value).
inline constexpr int kHorizontal = 0;
inline constexpr int kVertical = 1;
inline constexpr int kAutomaticDirection = -1;

// The box from (x1, y1) to (x2, y2), right and bottom edges excluded; a box of zero width or height
// is widened to one pixel. A line of lineWidth >= 2 is thickened towards the right or the bottom.
void DrawBox(gdi::HDC hdc, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
             std::int32_t color, bool outlineOnly, std::int32_t lineWidth, std::int32_t color2,
             int direction);

// The worker of DrawBox. A gradient runs from color2 at the right (or bottom) edge towards color at
// the left (or top), one pixel strip at a time.
void FillBox(gdi::HDC hdc, gdi::RECT box, std::int32_t color, std::int32_t color2, bool outlineOnly,
             bool gradient, bool vertical, std::int32_t lineWidth);

// (1 - weight) * colorFrom + weight * colorTo per component, rounded half to even.
std::int32_t BlendColor(std::int32_t colorFrom, std::int32_t colorTo, float weight);

// A ring (or, when filled, a disc) whose diameter is x2 - x1, centred in the box, drawn pixel by
// pixel over the rows y1..y2 and columns x1..x2, fading into `background` at its edges.
void DrawRing(gdi::HDC hdc, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              std::int32_t color, std::int32_t background, float halfWidth, bool filled);

// Rounds half to even, as every size the window computes from a real number is rounded.
std::int32_t RoundToInt(double value);

}  // namespace lumivex::ui
