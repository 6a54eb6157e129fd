// The Exif block a resized copy carries, made to tell the truth about that copy: its pixel size,
// orientation 1 once the pixels were turned upright, its colour space once the pixels were
// converted to sRGB, no thumbnail of the original (which could show the photo the wrong way
// round or cropped differently), and on request no location.
#pragma once

#include <cstdint>
#include <vector>

namespace lumivex {

struct ExifRewrite {
  std::int32_t width = 0;  // the output's size in pixels
  std::int32_t height = 0;
  bool turned = false;           // the pixels were turned: the orientation tag becomes 1
  bool stripLocation = false;    // the GPS IFD and its pointer go
  bool convertedToSrgb = false;  // ColorSpace becomes sRGB (1) and the interoperability index R98
};

// A copy of `block` (an APP1 payload: "Exif" 0 0, then the TIFF structure) with these changes.
// Every offset and count is checked against the block; a field the block does not hold is not
// added, and a malformed part is left as it is. Offsets stay valid: values are changed in place
// (a size stored as two SHORTs, as some cameras do, becomes one number), the thumbnail goes
// (exif_thumbnail.h), and the GPS pointer entry is taken out of its IFD's table with the GPS data
// overwritten by zeros.
std::vector<std::uint8_t> RewriteExif(std::vector<std::uint8_t> block, const ExifRewrite& facts);

}  // namespace lumivex
