// Turning a picture by any angle. Each destination pixel (x, y) looks up the source position it
// comes from by the inverse turn about the centre and samples it bilinearly, in single precision.
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "rotate/rotate.h"

namespace corvale {

namespace {

struct Turn {
  float cosA, sinA, cx, cy;
};

struct Sums {
  float blue = 0.0f, green = 0.0f, red = 0.0f;
};

class FreeRotation {
 public:
  FreeRotation(const std::uint8_t* source, std::int32_t width, std::int32_t height, const Turn& turn)
      : source_(source), width_(width), height_(height), turn_(turn) {}

  // Blue, green and red of destination pixel (x, y); `circle` keeps the pixels outside the disc.
  void fill(std::uint8_t* out, std::int32_t x, std::int32_t y, bool circle) const {
    const float dx = static_cast<float>(x) - turn_.cx;
    const float dy = static_cast<float>(y) - turn_.cy;
    if (circle && std::sqrt(dx * dx + dy * dy) >= turn_.cx) {  // the radius is half the width
      std::memcpy(out, pixel(x, y), 3);
      return;
    }
    const float sx = turn_.cx + (dx * turn_.cosA + dy * turn_.sinA);
    const float sy = turn_.cy + (dy * turn_.cosA - dx * turn_.sinA);
    if (!(sx > 0.0f && sx < static_cast<float>(width_) && sy > 0.0f && sy < static_cast<float>(height_))) {
      std::memcpy(out, source_, 3);  // uncovered corners take the top-left colour
      return;
    }
    const Sums sums = bilinear(sx, sy);
    out[0] = toByte(sums.blue);
    out[1] = toByte(sums.green);
    out[2] = toByte(sums.red);
  }

 private:
  // Columns i, i + 1 (outer) and rows j, j + 1 (inner); a tap beyond the last column or row
  // reads the top-left pixel.
  Sums bilinear(float sx, float sy) const {
    const std::int32_t i0 = static_cast<std::int32_t>(sx), j0 = static_cast<std::int32_t>(sy);
    Sums sums;
    for (std::int32_t i = i0; i <= i0 + 1; ++i)
      for (std::int32_t j = j0; j <= j0 + 1; ++j) {
        const float w =
            (1.0f - std::fabs(sx - static_cast<float>(i))) * (1.0f - std::fabs(sy - static_cast<float>(j)));
        const std::uint8_t* p = i < width_ && j < height_ ? pixel(i, j) : source_;
        sums.blue += w * p[0];
        sums.green += w * p[1];
        sums.red += w * p[2];
      }
    return sums;
  }

  const std::uint8_t* pixel(std::int32_t x, std::int32_t y) const {
    return source_ +
           (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 4;
  }

  static std::uint8_t toByte(float sum) {
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(sum) & 0xFF);
  }

  const std::uint8_t* source_;
  std::int32_t width_, height_;
  Turn turn_;
};

}  // namespace

void rotateFreely(const Picture& source, Picture& dest, double angle, bool circle) {
  if (source.empty() || dest.empty() || dest.width != source.width || dest.height != source.height) return;
  // Turning a picture into itself would read pixels already written: work from a copy then.
  std::vector<std::uint8_t> copy;
  const std::uint8_t* from = source.pixels;
  if (dest.pixels == source.pixels) {
    const std::size_t bytes =
        static_cast<std::size_t>(source.width) * static_cast<std::size_t>(source.height) * 4;
    copy.assign(source.pixels, source.pixels + bytes);
    from = copy.data();
  }
  const Turn turn{static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)),
                  static_cast<float>(source.width) * 0.5f, static_cast<float>(source.height) * 0.5f};
  const FreeRotation rotation(from, source.width, source.height, turn);
  for (std::int32_t y = 0; y < source.height; ++y)
    for (std::int32_t x = 0; x < source.width; ++x) rotation.fill(pixelAt(dest, x, y), x, y, circle);
}

}  // namespace corvale
