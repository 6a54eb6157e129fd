// Text measured and drawn into the bitmap of a device context, the way the custom controls lay out
// their captions: the device-context layer draws no text, so Qt paints straight into the bitmap's
// pixels.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

#include "platform/gdi.h"

namespace lumivex::ui {

inline constexpr unsigned DT_SINGLE_LINE_TOP_LEFT = 0;  // one line per explicit line break
inline constexpr unsigned DT_WORDBREAK = 16;            // wrap at word boundaries within the box
inline constexpr unsigned DT_CALCRECT = 1024;           // measure only: fit the box to the text

// Draws `text` in `color` (0x00BBGGRR) with `font`, top-left aligned and clipped to `rect`, into the
// 32-bit bitmap selected into `hdc`. With DT_CALCRECT nothing is drawn; the box's right and bottom
// are set to fit the text instead. Answers the height of the text in pixels.
int DrawTextW(gdi::HDC hdc, const QString& text, gdi::RECT& rect, unsigned format, const QFont& font,
              std::int32_t color);

}  // namespace lumivex::ui
