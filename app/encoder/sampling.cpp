// Sampling: every component is rendered by the device-context layer into one off-screen 24-bit
// bitmap at its own sampled size (an exact copy at full size, an area-averaging stretch of the RGB
// image otherwise), padded to whole blocks by repeating its last column and row, converted to
// Y, Cb or Cr, transformed and quantized block by block.
#include "encoder/sampling.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "encoder/encoder_error.h"
#include "encoder/forward_dct.h"
#include "encoder/memory_advice.h"
#include "encoder/quantize.h"
#include "platform/memory_advice.h"

namespace lumivex {

namespace {

void checkFactor(std::int32_t factor) {
  if (factor < 1 || factor > 4) raiseEncoderError(kInvalidSamplingValue);
}

std::int64_t ceilDiv(std::int64_t numerator, std::int64_t denominator) {
  return (numerator + denominator - 1) / denominator;
}

std::int64_t roundUpTo8(std::int64_t value) { return ceilDiv(value, 8) * 8; }

// The conversion of one component with single-precision coefficients, kept per byte value as
// exact double products. Every product is a multiple of 2^-27 below 2^8, so the sums are exact in
// double whatever their order, and the one rounding is the final one to float.
class ColourConversion {
 public:
  ColourConversion(float red, float green, float blue, double offset) : offset_(offset) {
    for (int v = 0; v < 256; ++v) {
      red_[v] = double{red} * static_cast<double>(static_cast<float>(v));
      green_[v] = double{green} * static_cast<double>(static_cast<float>(v));
      blue_[v] = double{blue} * static_cast<double>(static_cast<float>(v));
    }
  }
  // One pixel of a 24-bit bitmap: blue, green, red.
  float operator()(const std::uint8_t* bgr) const {
    return static_cast<float>(red_[bgr[2]] + green_[bgr[1]] + blue_[bgr[0]] - offset_);
  }

 private:
  double red_[256], green_[256], blue_[256];
  double offset_;
};

// Y carries the level shift of -128; Cb and Cr are centred on 0 by their own coefficients.
ColourConversion conversionFor(std::size_t component) {
  switch (component) {
    case 0:
      return ColourConversion(0.299f, 0.587f, 0.114f, 128.0);
    case 1:
      return ColourConversion(-0.16874f, -0.33126f, 0.5f, 0.0);
    default:
      return ColourConversion(0.5f, -0.41869f, -0.08131f, 0.0);
  }
}

// The off-screen bitmap: 24 bits, rows bottom-up, padded to whole blocks, selected into a memory
// device context in halftone (area-averaging) stretch mode. Released in the reverse order.
class SamplingBitmap {
 public:
  SamplingBitmap() : dc_(gdi::CreateCompatibleDC(nullptr)) {}
  ~SamplingBitmap() {
    if (bitmap_) {
      gdi::SelectObject(dc_, previous_);
      gdi::DeleteObject(bitmap_);
    }
    if (dc_) gdi::DeleteDC(dc_);
  }
  SamplingBitmap(const SamplingBitmap&) = delete;
  SamplingBitmap& operator=(const SamplingBitmap&) = delete;

  bool hasDc() const { return dc_ != nullptr; }

  bool create(std::int32_t paddedWidth, std::int32_t paddedHeight, std::int32_t stride) {
    gdi::BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = paddedWidth;
    info.bmiHeader.biHeight = paddedHeight;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = gdi::BI_RGB;
    info.bmiHeader.biSizeImage =
        static_cast<std::uint32_t>(stride) * static_cast<std::uint32_t>(paddedHeight);
    void* bits = nullptr;
    bitmap_ = gdi::CreateDIBSection(dc_, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) return false;
    gdi::AdviseHugePages(bits, info.bmiHeader.biSizeImage);
    previous_ = gdi::SelectObject(dc_, bitmap_);
    if (gdi::SetStretchBltMode(dc_, gdi::HALFTONE) == 0) gdi::SetStretchBltMode(dc_, gdi::COLORONCOLOR);
    bits_ = static_cast<const std::uint8_t*>(bits);
    stride_ = stride;
    return true;
  }

  gdi::HDC dc() const { return dc_; }
  // Memory row `row` counted from the start of the bits, that is from the bottom of the image.
  const std::uint8_t* storedRow(std::int32_t row) const {
    return bits_ + static_cast<std::size_t>(row) * static_cast<std::size_t>(stride_);
  }

 private:
  gdi::HDC dc_ = nullptr;
  gdi::HBITMAP bitmap_ = nullptr;
  gdi::HGDIOBJ previous_ = nullptr;
  const std::uint8_t* bits_ = nullptr;
  std::int32_t stride_ = 0;
};

struct SourceRect {
  gdi::HDC dc;
  std::int32_t left, top, width, height;
};

// Draws the component's sampled image so that its padded region ends at the bitmap's bottom edge,
// then repeats its last column and last row into the padding. False when the source cannot be read.
bool renderComponent(gdi::HDC target, std::int32_t bitmapHeight, const ComponentGeometry& g,
                     const SourceRect& source) {
  std::int32_t top = bitmapHeight - g.paddedHeight;
  std::int32_t w = g.sampledWidth, h = g.sampledHeight;
  bool drawn = (w == source.width && h == source.height)
                   ? gdi::BitBlt(target, 0, top, w, h, source.dc, source.left, source.top, gdi::SRCCOPY)
                   : gdi::StretchBlt(target, 0, top, w, h, source.dc, source.left, source.top, source.width,
                                     source.height, gdi::SRCCOPY);
  if (!drawn) return false;
  for (std::int32_t x = w; x < g.paddedWidth; ++x)
    gdi::BitBlt(target, x, top, 1, h, target, x - 1, top, gdi::SRCCOPY);
  for (std::int32_t y = top + h; y < bitmapHeight; ++y)
    gdi::BitBlt(target, 0, y, g.paddedWidth, 1, target, 0, y - 1, gdi::SRCCOPY);
  return true;
}

// Converts and transforms the component's blocks in raster order of its block grid and hands each
// to `take`.
template <typename TakeBlock>
void forEachTransformedBlock(const SamplingBitmap& bitmap, const ComponentGeometry& g,
                             const ColourConversion& convert, TakeBlock&& take) {
  DctBlock block;
  for (std::int32_t b = 0; b < g.blockRows(); ++b) {
    for (std::int32_t k = 0; k < g.blocksPerRow(); ++k) {
      for (std::int32_t r = 0; r < 8; ++r) {
        // Image row y of the region is stored row paddedHeight - 1 - y.
        const std::uint8_t* pixel = bitmap.storedRow(g.paddedHeight - 1 - (8 * b + r)) + 24 * k;
        for (std::int32_t j = 0; j < 8; ++j, pixel += 3) block[r * 8 + j] = convert(pixel);
      }
      ForwardDct(block);
      take(block);
    }
  }
}

std::vector<std::int16_t> quantizedBlocks(const SamplingBitmap& bitmap, const ComponentGeometry& g,
                                          const ColourConversion& convert, const QuantTable& table) {
  std::vector<std::int16_t> coefficients = largeZeroedArray(g.coefficientCount());
  std::size_t position = 0;
  forEachTransformedBlock(bitmap, g, convert, [&](const DctBlock& block) {
    QuantizeBlock(block, table, coefficients, position);
  });
  return coefficients;
}

std::vector<DctBlock> transformedBlocks(const SamplingBitmap& bitmap, const ComponentGeometry& g,
                                        const ColourConversion& convert) {
  std::vector<DctBlock> blocks = largeArray<DctBlock>(g.coefficientCount() / 64);
  std::size_t next = 0;
  forEachTransformedBlock(bitmap, g, convert, [&](const DctBlock& block) { blocks[next++] = block; });
  return blocks;
}

// Renders every component of `setup` from the rectangle in turn and hands it to
// make(bitmap, geometry, conversion, component index), whose results are appended to `made`. 0 when
// done, 1 when the off-screen bitmap cannot be made or the source cannot be read.
template <typename Made, typename MakeComponent>
std::int32_t sampleEveryComponent(const SourceRect& rect, const ComponentSetup& setup,
                                  std::vector<Made>& made, MakeComponent&& make) {
  SamplingBitmap bitmap;
  if (!bitmap.hasDc() || rect.width <= 0 || rect.height <= 0) return 1;
  std::int64_t paddedWidth = roundUpTo8(rect.width), paddedHeight = roundUpTo8(rect.height);
  std::int64_t stride = (3 * paddedWidth + 3) / 4 * 4;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  if (paddedWidth > kLimit || paddedHeight > kLimit || stride > kLimit || stride * paddedHeight > kLimit)
    raiseOverflow();
  auto bitmapHeight = static_cast<std::int32_t>(paddedHeight);
  if (!bitmap.create(static_cast<std::int32_t>(paddedWidth), bitmapHeight, static_cast<std::int32_t>(stride)))
    return 1;
  ComponentGeometry previous;
  for (std::size_t i = 0; i < setup.Components.size(); ++i) {
    const ComponentRecord& c = setup.Components[i];
    ComponentGeometry g = componentGeometry(rect.width, rect.height, c.H, c.V, setup.HMax, setup.VMax);
    bool sameImage =
        i > 0 && g.sampledWidth == previous.sampledWidth && g.sampledHeight == previous.sampledHeight;
    if (!sameImage && !renderComponent(bitmap.dc(), bitmapHeight, g, rect)) return 1;
    made.push_back(make(bitmap, g, conversionFor(i), i));
    previous = g;
  }
  return 0;
}

}  // namespace

ComponentGeometry componentGeometry(std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t h,
                                    std::int32_t v, std::int32_t hMax, std::int32_t vMax) {
  ComponentGeometry g;
  std::int64_t w = ceilDiv(std::int64_t{imageWidth} * h, hMax);
  std::int64_t ht = ceilDiv(std::int64_t{imageHeight} * v, vMax);
  std::int64_t paddedW = roundUpTo8(w), paddedH = roundUpTo8(ht);
  if (paddedW > std::numeric_limits<std::int32_t>::max() ||
      paddedH > std::numeric_limits<std::int32_t>::max())
    raiseOverflow();
  g.sampledWidth = static_cast<std::int32_t>(w);
  g.sampledHeight = static_cast<std::int32_t>(ht);
  g.paddedWidth = static_cast<std::int32_t>(paddedW);
  g.paddedHeight = static_cast<std::int32_t>(paddedH);
  return g;
}

ComponentSetup SetSamplingFrequencies(std::int32_t h1, std::int32_t v1, std::int32_t h2, std::int32_t v2,
                                      std::int32_t h3, std::int32_t v3) {
  checkFactor(h1);
  checkFactor(v1);
  ComponentSetup setup;
  if (h2 == 0 && v2 == 0 && h3 == 0 && v3 == 0) {
    // Grey: one component, always 1x1 whatever the first factors say.
    setup.ComponentCount = 1;
    setup.Components.resize(1);
    setup.Components[0].Tq = 0;
  } else {
    checkFactor(h2);
    checkFactor(h3);
    checkFactor(v2);
    checkFactor(v3);
    setup.ComponentCount = 3;
    setup.Components.resize(3);
    setup.Components[0].H = h1, setup.Components[0].V = v1, setup.Components[0].Tq = 0;
    setup.Components[1].H = h2, setup.Components[1].V = v2, setup.Components[1].Tq = 1;
    setup.Components[2].H = h3, setup.Components[2].V = v3, setup.Components[2].Tq = 1;
  }
  setup.HMax = setup.VMax = 1;
  for (const ComponentRecord& c : setup.Components) {
    if (c.H > setup.HMax) setup.HMax = c.H;
    if (c.V > setup.VMax) setup.VMax = c.V;
  }
  return setup;
}

std::int32_t SampleHDC(gdi::HDC source, std::int32_t width, std::int32_t height, std::int32_t left,
                       std::int32_t top, const std::array<QuantTable, 4>& tables, ComponentSetup& setup) {
  // The new coefficients replace the old ones only when every component is done, so that a failed
  // call never leaves a mixture of two images behind.
  std::vector<std::vector<std::int16_t>> sampled;
  auto quantize = [&](const SamplingBitmap& bitmap, const ComponentGeometry& g,
                      const ColourConversion& convert, std::size_t i) {
    return quantizedBlocks(bitmap, g, convert, tables[static_cast<std::size_t>(setup.Components[i].Tq)]);
  };
  if (sampleEveryComponent({source, left, top, width, height}, setup, sampled, quantize) != 0) return 1;
  for (std::size_t i = 0; i < setup.Components.size(); ++i) {
    setup.Components[i].Id = static_cast<std::int32_t>(i) + 1;
    setup.Components[i].Coefficients = std::move(sampled[i]);
  }
  return 0;
}

std::int32_t TransformHDC(gdi::HDC source, std::int32_t width, std::int32_t height, std::int32_t left,
                          std::int32_t top, const ComponentSetup& setup, TransformedImage& image) {
  std::vector<std::vector<DctBlock>> transformed;
  auto transform = [](const SamplingBitmap& bitmap, const ComponentGeometry& g,
                      const ColourConversion& convert,
                      std::size_t) { return transformedBlocks(bitmap, g, convert); };
  if (sampleEveryComponent({source, left, top, width, height}, setup, transformed, transform) != 0) return 1;
  image.components = std::move(transformed);
  return 0;
}

void QuantizeTransformed(const TransformedImage& image, const std::array<QuantTable, 4>& tables,
                         ComponentSetup& setup) {
  if (image.components.size() != setup.Components.size()) raiseSubscriptOutOfRange();
  for (std::size_t i = 0; i < setup.Components.size(); ++i) {
    ComponentRecord& c = setup.Components[i];
    const std::vector<DctBlock>& blocks = image.components[i];
    if (c.Coefficients.size() != blocks.size() * 64) c.Coefficients = largeZeroedArray(blocks.size() * 64);
    std::size_t position = 0;
    for (const DctBlock& block : blocks)
      QuantizeBlock(block, tables[static_cast<std::size_t>(c.Tq)], c.Coefficients, position);
    c.Id = static_cast<std::int32_t>(i) + 1;
  }
}

}  // namespace lumivex
