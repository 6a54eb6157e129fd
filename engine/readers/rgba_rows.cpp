// Decoded rows into the engine's picture, transparency over white, or kept premultiplied when the
// picture asks for it.
#include "readers/rgba_rows.h"

#include "readers/file_bytes.h"

namespace corvale {

namespace {

// colour * alpha + white * (1 - alpha), rounded.
inline std::uint8_t overWhite(std::uint32_t colour, std::uint32_t alpha) {
  return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// A premultiplied colour larger than its alpha is damaged data; it is held at white.
inline std::uint8_t premultipliedOverWhite(std::uint32_t colour, std::uint32_t alpha) {
  std::uint32_t sum = colour + 255 - alpha;
  return static_cast<std::uint8_t>(sum > 255 ? 255 : sum);
}

// colour * alpha, rounded: over white this is exactly overWhite less (255 - alpha), so a kept
// picture flattened later gives the bytes of one flattened at its read.
inline std::uint8_t premultiplied(std::uint32_t colour, std::uint32_t alpha) {
  return static_cast<std::uint8_t>((colour * alpha + 127) / 255);
}

// A premultiplied colour larger than its alpha is damaged data; it is held at the alpha (white
// once flattened, as before).
inline std::uint8_t heldToAlpha(std::uint32_t colour, std::uint32_t alpha) {
  return static_cast<std::uint8_t>(colour > alpha ? alpha : colour);
}

void keepRgbaPixels(const std::uint8_t* rgba, std::int32_t count, std::uint8_t* out) {
  for (std::int32_t x = 0; x < count; ++x, rgba += 4, out += 4) {
    std::uint32_t alpha = rgba[3];
    out[0] = premultiplied(rgba[2], alpha), out[1] = premultiplied(rgba[1], alpha),
    out[2] = premultiplied(rgba[0], alpha), out[3] = rgba[3];
  }
}

void keepPremultipliedRgbaPixel(const std::uint8_t* rgba, std::uint8_t* out) {
  std::uint32_t alpha = rgba[3];
  out[0] = heldToAlpha(rgba[2], alpha), out[1] = heldToAlpha(rgba[1], alpha),
  out[2] = heldToAlpha(rgba[0], alpha), out[3] = rgba[3];
}

}  // namespace

LoadOutcome allocateDecodedPicture(Picture& picture, std::uint64_t width, std::uint64_t height,
                                   gdi::HDC referenceDc) {
  releasePicture(picture);
  if (width == 0 || height == 0)
    return {LoadCause::kDamaged,
            "has an invalid size (" + std::to_string(width) + " x " + std::to_string(height) + ")"};
  if (width > INT32_MAX || height > INT32_MAX || width * height > kMaxPicturePixels)
    return tooLargeForMemory(width, height);
  allocatePicture(picture, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), referenceDc);
  return picture.empty() ? tooLargeForMemory(width, height) : LoadOutcome();
}

void putRgbaRow(const std::uint8_t* rgba, Picture& picture, std::int32_t y) {
  putRgbaPixels(rgba, picture.width, picture, pixelAt(picture, 0, y));
}

void putRgbaPixels(const std::uint8_t* rgba, std::int32_t count, Picture& picture, std::uint8_t* out) {
  if (picture.alphaWanted) {
    picture.alphaKept = true;
    return keepRgbaPixels(rgba, count, out);
  }
  for (std::int32_t x = 0; x < count; ++x, rgba += 4, out += 4) {
    std::uint32_t alpha = rgba[3];
    if (alpha == 255) {
      out[0] = rgba[2], out[1] = rgba[1], out[2] = rgba[0];
    } else {
      out[0] = overWhite(rgba[2], alpha), out[1] = overWhite(rgba[1], alpha),
      out[2] = overWhite(rgba[0], alpha);
    }
  }
}

void putPremultipliedRgbaPixel(const std::uint8_t* rgba, Picture& picture, std::uint8_t* out) {
  if (picture.alphaWanted) {
    picture.alphaKept = true;
    return keepPremultipliedRgbaPixel(rgba, out);
  }
  std::uint32_t alpha = rgba[3];
  out[0] = premultipliedOverWhite(rgba[2], alpha);
  out[1] = premultipliedOverWhite(rgba[1], alpha);
  out[2] = premultipliedOverWhite(rgba[0], alpha);
}

void putPremultipliedRgbaRow(const std::uint8_t* rgba, Picture& picture, std::int32_t y) {
  std::uint8_t* out = pixelAt(picture, 0, y);
  for (std::int32_t x = 0; x < picture.width; ++x, rgba += 4, out += 4)
    putPremultipliedRgbaPixel(rgba, picture, out);
}

void putRgbRow(const std::uint8_t* rgb, Picture& picture, std::int32_t y) {
  std::uint8_t* out = pixelAt(picture, 0, y);
  for (std::int32_t x = 0; x < picture.width; ++x, rgb += 3, out += 4)
    out[0] = rgb[2], out[1] = rgb[1], out[2] = rgb[0];
}

void settleBgraAlpha(Picture& picture) {
  if (picture.alphaWanted) return premultiplyBgra(picture);
  for (std::int32_t y = 0; y < picture.height; ++y) {
    std::uint8_t* p = pixelAt(picture, 0, y);
    for (std::int32_t x = 0; x < picture.width; ++x, p += 4) {
      std::uint32_t alpha = p[3];
      if (alpha != 255)
        p[0] = overWhite(p[0], alpha), p[1] = overWhite(p[1], alpha), p[2] = overWhite(p[2], alpha);
      p[3] = 0;
    }
  }
}

void premultiplyBgra(Picture& picture) {
  picture.alphaKept = true;
  for (std::int32_t y = 0; y < picture.height; ++y) {
    std::uint8_t* p = pixelAt(picture, 0, y);
    for (std::int32_t x = 0; x < picture.width; ++x, p += 4) {
      std::uint32_t alpha = p[3];
      if (alpha != 255)
        p[0] = premultiplied(p[0], alpha), p[1] = premultiplied(p[1], alpha),
        p[2] = premultiplied(p[2], alpha);
    }
  }
}

}  // namespace corvale
