// The Exif block of a TIFF file. A TIFF keeps its descriptive fields (Make, Model, DateTime,
// Orientation, Artist, Copyright ...) in its own IFD0, beside the fields that describe its pixels,
// and points from there to its Exif IFD and its GPS IFD. The block built here is what a camera
// would have put in a JPEG's APP1 segment: "Exif\0\0", a TIFF header of the file's byte order,
// an IFD0 of the descriptive fields only (strip and tile offsets, compression, bits per sample,
// colour maps and the like describe the TIFF's own pixels, not the copy's), then the Exif IFD and
// the GPS IFD with their values, every offset rewritten to where the value now lies.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumivex {

// The block built from the TIFF file's bytes; nothing when the file is not a classic TIFF (a
// BigTIFF is not read), its IFD0 does not fit, it holds no descriptive field, or the block would
// not fit in an APP1 segment. An entry whose value lies outside the file is left out.
std::optional<std::vector<std::uint8_t>> BuildExifFromTiff(std::span<const std::uint8_t> file);

}  // namespace lumivex
