// What the library-backed readers (PNG, WebP, TIFF, HEIF) share: the one size limit every
// picture is held to, and the step from a decoded row of red, green, blue and alpha to the
// engine's opaque blue-green-red pixels. Transparency is composited over white, so a transparent
// logo comes out on white paper, not on black; unless the picture wants its alpha
// (Picture::alphaWanted): the opacity is then kept in the fourth byte, the colours premultiplied
// by it, and the picture says so (alphaKept).
#pragma once

#include <cstdint>

#include "picture/load_cause.h"
#include "picture/picture.h"

namespace corvale {

// The most pixels a picture may have: four bytes each, at most 2 GiB, the same bound the JPEG
// and HD Photo readers keep.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 29;

// Sizes the picture for a decoded image, or says why not: "is too large for memory (W x H)" for
// anything beyond kMaxPicturePixels or a bitmap that cannot be had, "has an invalid size (...)"
// for a zero side.
LoadOutcome allocateDecodedPicture(Picture& picture, std::uint64_t width, std::uint64_t height,
                                   gdi::HDC referenceDc);

// Row y of the picture from picture.width pixels of red, green, blue and straight alpha; or
// `count` such pixels from the picture's pixel `out` on.
void putRgbaRow(const std::uint8_t* rgba, Picture& picture, std::int32_t y);
void putRgbaPixels(const std::uint8_t* rgba, std::int32_t count, Picture& picture, std::uint8_t* out);
// The same for alpha already multiplied into the colours (libtiff's RGBA output), a row or one
// pixel (`out` points at the picture's pixel) at a time.
void putPremultipliedRgbaRow(const std::uint8_t* rgba, Picture& picture, std::int32_t y);
void putPremultipliedRgbaPixel(const std::uint8_t* rgba, Picture& picture, std::uint8_t* out);
// Row y from picture.width pixels of red, green and blue.
void putRgbRow(const std::uint8_t* rgb, Picture& picture, std::int32_t y);
// Pixels decoded straight into the picture as blue, green, red and straight alpha become opaque,
// or premultiplied when the picture wants its alpha.
void settleBgraAlpha(Picture& picture);
// Blue, green, red and straight alpha premultiplied in place; the picture then keeps its alpha.
void premultiplyBgra(Picture& picture);

}  // namespace corvale
