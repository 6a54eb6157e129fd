// Graphic control extensions (GIF89a section 23) and the choice of one per image.
#pragma once

#include <optional>
#include <vector>

#include "readers/byte_cursor.h"
#include "readers/gif/gif_decoder.h"

namespace corvale {

// The six bytes after the label: block size, packed fields, delay, transparent index and block
// terminator, taken as they stand; nothing when the file ends first.
std::optional<GifControl> readGifControl(ByteCursor& in);

// The control that governs the next image, from those read since the previous one (which are
// all used up): the only one, or else the first with a non-zero delay, or else one of all zeros.
// A delay below 2 hundredths is replaced by the last usable delay (10 before any), as browsers
// do for the zero delays that many encoders write.
GifControl chooseGifControl(std::vector<GifControl>& pending, std::uint16_t& lastDelay);

}  // namespace corvale
