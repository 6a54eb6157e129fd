// The component set-up (grey or colour, sampling factors) and the sampling of an image from a
// device context into quantized coefficients, one array per component.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "encoder/forward_dct.h"
#include "encoder/quantization_tables.h"
#include "platform/gdi.h"

namespace lumivex {

struct ComponentRecord {
  std::int32_t Id = 0;
  std::int32_t H = 1;
  std::int32_t V = 1;
  std::int32_t Tq = 0;
  // 64 entries per block, blocks in raster order of the component's block grid, zig-zag inside.
  std::vector<std::int16_t> Coefficients;
};

struct ComponentSetup {
  std::int32_t ComponentCount = 0;
  std::int32_t HMax = 1;
  std::int32_t VMax = 1;
  std::vector<ComponentRecord> Components;
};

// Where a component's samples lie: its sampled size and that size padded to whole blocks.
struct ComponentGeometry {
  std::int32_t sampledWidth = 0;
  std::int32_t sampledHeight = 0;
  std::int32_t paddedWidth = 0;
  std::int32_t paddedHeight = 0;

  std::int32_t blocksPerRow() const { return paddedWidth / 8; }
  std::int32_t blockRows() const { return paddedHeight / 8; }
  std::size_t coefficientCount() const {
    return static_cast<std::size_t>(paddedWidth) * static_cast<std::size_t>(paddedHeight);
  }
};

// Sampled size = image size * factor / largest factor, rounded up.
ComponentGeometry componentGeometry(std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t h,
                                    std::int32_t v, std::int32_t hMax, std::int32_t vMax);

// Grey output when h2, v2, h3 and v3 are all 0 (one 1x1 component), otherwise three components.
// A factor outside 1..4 raises "Invalid Sampling Value" before anything changes.
ComponentSetup SetSamplingFrequencies(std::int32_t h1, std::int32_t v1, std::int32_t h2, std::int32_t v2,
                                      std::int32_t h3, std::int32_t v3);

// Renders every component of `setup` from the width x height rectangle at (left, top) of
// `source`, converts it to Y, Cb or Cr and stores its quantized blocks with the component's table.
// Returns 0 when done, 1 when the off-screen bitmap cannot be made or the source cannot be read;
// `setup` is changed only when the result is 0.
std::int32_t SampleHDC(gdi::HDC source, std::int32_t width, std::int32_t height, std::int32_t left,
                       std::int32_t top, const std::array<QuantTable, 4>& tables, ComponentSetup& setup);

// Every component converted, sampled and transformed as SampleHDC does it, but not yet quantized:
// a search for the quality that fits a file size quantizes these blocks again for every quality
// it tries instead of rendering and transforming the picture each time.
struct TransformedImage {
  // By component: the transformed blocks in raster order of its block grid.
  std::vector<std::vector<DctBlock>> components;
};

// The first half of SampleHDC: fills `image` for the components of `setup` from the rectangle.
// Returns 0 when done, 1 as SampleHDC does; `image` changes only when the result is 0.
std::int32_t TransformHDC(gdi::HDC source, std::int32_t width, std::int32_t height, std::int32_t left,
                          std::int32_t top, const ComponentSetup& setup, TransformedImage& image);

// The second half: quantizes every component's blocks with its table into its coefficients, which
// then equal those SampleHDC would have stored with the same tables. Raises the subscript error
// when `image` was not made for the components of `setup`.
void QuantizeTransformed(const TransformedImage& image, const std::array<QuantTable, 4>& tables,
                         ComponentSetup& setup);

}  // namespace lumivex
