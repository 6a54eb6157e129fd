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
#include <string>
#include <vector>

namespace lumivex {

// The block built from the TIFF file's bytes; nothing when the file is not a classic TIFF (a
// BigTIFF is not read), its IFD0 does not fit, it holds no descriptive field, or the block would
// not fit in an APP1 segment. An entry whose value lies outside the file is left out.
std::optional<std::vector<std::uint8_t>> BuildExifFromTiff(std::span<const std::uint8_t> file);

// The other way, for a TIFF copy: its IFD0 takes the block's descriptive fields (Make, Model,
// DateTime, Artist, Copyright ..., the resolution, which a TIFF file must have) through the TIFF
// writer, with a pointer entry for each IFD the block points to (ExifHasSubIfd); once the file is
// written, the block's Exif and GPS IFDs are appended to it, without the fields that only describe
// a JPEG file, and those entries pointed at them. `bareExif` starts with its TIFF header.
struct TiffText {
  std::uint16_t tag;
  std::string text;
};
struct ExifIfd0ForTiff {
  std::vector<TiffText> texts;
  double xResolution = 72, yResolution = 72;  // 72 per inch when the block gives none
  std::uint16_t resolutionUnit = 2;           // 1 none, 2 inch, 3 centimetre
};
ExifIfd0ForTiff ExifIfd0FieldsForTiff(std::span<const std::uint8_t> bareExif);
bool ExifHasSubIfd(std::span<const std::uint8_t> bareExif, std::uint16_t tag);
// False (the file then holds what could be appended) when the byte orders differ, the file's IFD0
// has no pointer entry, or the IFDs would add more than an Exif block may hold.
bool AppendExifSubIfds(std::vector<std::uint8_t>& file, std::span<const std::uint8_t> bareExif);

}  // namespace lumivex
