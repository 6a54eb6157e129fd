// Single-pass resampling of a whole picture, and the raw-buffer variant with explicit steps.
#include "resample/resample.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "resample/table_resampler.h"

namespace corvale {

namespace {

// Box tables and sums a call with steps may ask for once its box reaches beyond the source. Taps
// there repeat the last column or row, so without a bound a huge step would ask for tables and
// work without end; a box within the source costs what a box reduction of that source costs.
constexpr std::uint64_t kMaxBoxTableCells = std::uint64_t{1} << 26;
constexpr std::uint64_t kMaxBoxTaps = std::uint64_t{1} << 31;

std::uint64_t insideCount(const std::vector<float>& positions, std::int32_t sourceLength) {
  std::uint64_t count = 0;
  for (float p : positions) count += p >= 0.0f && p < static_cast<float>(sourceLength);
  return count;
}

// Whether one axis's table (and the strips copied from it) stays within the budget.
bool boxTableFits(std::uint64_t taps, std::size_t count, std::int32_t sourceLength) {
  const std::uint64_t stripPadding = 64;
  return taps <= static_cast<std::uint64_t>(sourceLength) ||
         taps * (count + stripPadding) <= kMaxBoxTableCells;
}

// Whether a box call stays within the budget: its tables, and the taps summed over every pixel
// inside the source.
bool boxFitsBudget(const std::vector<float>& xs, float xStep, std::int32_t sourceWidth,
                   const std::vector<float>& ys, float yStep, std::int32_t sourceHeight) {
  const std::uint64_t columnTaps = static_cast<std::uint64_t>(boxSpan(xStep));
  const std::uint64_t rowTaps = static_cast<std::uint64_t>(boxSpan(yStep));
  if (columnTaps <= static_cast<std::uint64_t>(sourceWidth) &&
      rowTaps <= static_cast<std::uint64_t>(sourceHeight))
    return true;
  if (!boxTableFits(columnTaps, xs.size(), sourceWidth) || !boxTableFits(rowTaps, ys.size(), sourceHeight))
    return false;
  const std::uint64_t alongX = insideCount(xs, sourceWidth) * columnTaps;  // each below 2^62
  const std::uint64_t alongY = insideCount(ys, sourceHeight) * rowTaps;
  return alongX <= kMaxBoxTaps && alongY <= kMaxBoxTaps && alongX * alongY <= kMaxBoxTaps;
}

AxisTaps axisFor(std::int32_t mode, const std::vector<float>& positions, float step,
                 std::int32_t sourceLength) {
  return buildAxisTaps(mode, positions, sourceLength, boxSpan(step));
}

}  // namespace

void resampleInto(Picture& dest, const Picture& source, std::int32_t mode, InstructionSet isa) {
  resampleRowsInto(dest, source, mode, 0, dest.height, isa);
}

void resampleRowsInto(Picture& dest, const Picture& source, std::int32_t mode, std::int32_t firstRow,
                      std::int32_t rowCount, InstructionSet isa) {
  if (dest.empty() || firstRow < 0 || rowCount <= 0 || rowCount > dest.height - firstRow) return;
  const DestPixels out{pixelAt(dest, 0, firstRow), dest.width, rowCount};
  if (source.empty() || !isFilterMode(mode)) {
    paintBlack(out);
    return;
  }
  const float stepX = static_cast<float>(source.width) / static_cast<float>(dest.width);
  const float stepY = static_cast<float>(source.height) / static_cast<float>(dest.height);
  const AxisTaps columns = axisFor(mode, accumulatedPositions(0.0f, stepX, dest.width), stepX, source.width);
  // The rows' positions are those of the whole destination; the band takes its own run of them.
  const std::vector<float> ys = accumulatedPositions(0.0f, stepY, dest.height);
  const std::vector<float> bandYs(ys.begin() + firstRow, ys.begin() + firstRow + rowCount);
  const AxisTaps rows = axisFor(mode, bandYs, stepY, source.height);
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
  const std::vector<float> xs = accumulatedPositions(-static_cast<float>(xOffset), xStep, destWidth);
  const std::vector<float> ys = accumulatedPositions(-static_cast<float>(yOffset), yStep, destHeight);
  if (mode == kBox && !boxFitsBudget(xs, xStep, sourceWidth, ys, yStep, sourceHeight)) {
    paintBlack(out);  // refused: a step far beyond the source
    return;
  }
  // Every column walks the same row positions, so one row table serves the whole buffer and the
  // order in which the destination is walked does not matter.
  const AxisTaps columns = axisFor(mode, xs, xStep, sourceWidth);
  const AxisTaps rows = axisFor(mode, ys, yStep, sourceHeight);
  resampleWithTables({source, sourceWidth, sourceHeight}, out, columns, rows, mode, TapOrder::kColumnsOuter,
                     isa);
}

}  // namespace corvale
