// Single-pass resampling of a whole picture, and the raw-buffer variant with explicit steps.
#include "resample/resample.h"
#include "resample/table_resampler.h"

namespace corvale {

namespace {

AxisTaps axisFor(std::int32_t mode, float start, float step, std::int32_t destLength,
                 std::int32_t sourceLength) {
  return buildAxisTaps(mode, accumulatedPositions(start, step, destLength), sourceLength,
                       boxSpan(step, sourceLength));
}

}  // namespace

void resampleInto(Picture& dest, const Picture& source, std::int32_t mode, InstructionSet isa) {
  if (dest.empty()) return;
  const DestPixels out{dest.pixels, dest.width, dest.height};
  if (source.empty() || !isFilterMode(mode)) {
    paintBlack(out);
    return;
  }
  const float stepX = static_cast<float>(source.width) / static_cast<float>(dest.width);
  const float stepY = static_cast<float>(source.height) / static_cast<float>(dest.height);
  const AxisTaps columns = axisFor(mode, 0.0f, stepX, dest.width, source.width);
  const AxisTaps rows = axisFor(mode, 0.0f, stepY, dest.height, source.height);
  // The Lanczos window is summed row by row; the other windows column by column.
  const TapOrder order = mode == kLanczos8 ? TapOrder::kRowsOuter : TapOrder::kColumnsOuter;
  resampleWithTables({source.pixels, source.width, source.height}, out, columns, rows, mode, order, isa);
}

void resampleWithSteps(std::int32_t destWidth, std::int32_t destHeight, std::int32_t xOffset,
                       std::int32_t yOffset, float xStep, float yStep, std::int32_t sourceWidth,
                       std::int32_t sourceHeight, std::int32_t mode, const std::uint8_t* source,
                       std::uint8_t* dest, InstructionSet isa) {
  if (!dest || destWidth <= 0 || destHeight <= 0) return;
  const DestPixels out{dest, destWidth, destHeight};
  if (!source || sourceWidth <= 0 || sourceHeight <= 0 || !isFilterMode(mode)) {
    paintBlack(out);
    return;
  }
  // Every column walks the same row positions, so one row table serves the whole buffer and the
  // order in which the destination is walked does not matter.
  const AxisTaps columns = axisFor(mode, -static_cast<float>(xOffset), xStep, destWidth, sourceWidth);
  const AxisTaps rows = axisFor(mode, -static_cast<float>(yOffset), yStep, destHeight, sourceHeight);
  resampleWithTables({source, sourceWidth, sourceHeight}, out, columns, rows, mode, TapOrder::kColumnsOuter,
                     isa);
}

}  // namespace corvale
