// GIF colour tables (GIF89a sections 19 and 21) and the changes the decoder makes to them.
#pragma once

#include <optional>

#include "platform/gdi.h"
#include "readers/byte_cursor.h"
#include "readers/gif/gif_decoder.h"

namespace corvale {

// 2 << (packed & 7) entries of red, green and blue; nothing when the file ends first.
std::optional<GifColourTable> readGifColourTable(ByteCursor& in, std::uint8_t packed);

// The global table after a frame that brings a local one: the local table's size, the old
// global colours where the old table had entries, the local colours beyond.
GifColourTable mergeLocalIntoGlobal(const GifColourTable& global, const GifColourTable& local);

// A transparent index whose colour is black is given red h, green 0, blue 0, with h the smallest
// value from 1 that no entry has as (h, 0, 0) (at most 255), so that the transparent area stays
// distinguishable from real black. Records in `control` the colour the index finally holds; an
// index beyond the table is left alone and recorded as black.
void markTransparentColour(GifColourTable& colours, GifControl& control);

// The colour table of an 8-bit DIB section: blue, green, red and a zero fourth byte per entry.
void fillDibColours(const GifColourTable& colours, gdi::BITMAPINFO& info);

}  // namespace corvale
