// Colour histograms of bitmaps.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

namespace corvale {

// Reads width by height pixels of `bitmap` (through `dc`, in the picture layout) and adds 1 to
// red[r], green[g] and blue[b] for every pixel. The counts are not cleared first, so they
// accumulate over calls. Only the rows the bitmap delivers are counted, and columns beyond the
// bitmap's width count as black; sizes of 0 or less count nothing.
void addColourCounts(std::int32_t width, std::int32_t height, gdi::HDC dc, gdi::HBITMAP bitmap, float* red,
                     float* green, float* blue);

}  // namespace corvale
