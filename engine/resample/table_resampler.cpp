// The 2-D resampling loop. The destination is processed in strips of columns, so that what one
// strip needs stays in the caches; within a strip, row by row, the window sums of each destination
// row are formed (window_sums.h) and stored as bytes.
#include "resample/table_resampler.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "resample/gathered_rows.h"
#include "resample/sum_bytes.h"
#include "resample/window_sums.h"

namespace corvale {

namespace {

// What a strip keeps at hand (gathered rows of the filter window, or the box's source rows) stays
// within the size of a small second-level cache.
constexpr std::size_t kStripBudgetBytes = std::size_t{256} << 10;

std::int32_t stripWidthFor(const AxisTaps& columns, const AxisTaps& rows) {
  const std::size_t perColumn =
      sizeof(float) * 3 * static_cast<std::size_t>(columns.taps) * static_cast<std::size_t>(rows.taps);
  const std::size_t width = std::min<std::size_t>(std::max<std::size_t>(1, kStripBudgetBytes / perColumn),
                                                  static_cast<std::size_t>(columns.count));
  return static_cast<std::int32_t>((width + kLanes - 1) / kLanes * kLanes);
}

void paintBlackRun(std::uint8_t* out, std::int32_t n) {
  for (std::int32_t i = 0; i < n; ++i, out += 4) out[0] = out[1] = out[2] = 0;
}

std::uint8_t* pixelOf(const DestPixels& dest, std::int32_t row, std::int32_t column) {
  return dest.pixels + (static_cast<std::size_t>(row) * static_cast<std::size_t>(dest.width) +
                        static_cast<std::size_t>(column)) *
                           4;
}

const std::uint8_t* lineOf(const SourcePixels& source, std::int32_t row) {
  return source.pixels + static_cast<std::size_t>(row) * static_cast<std::size_t>(source.width) * 4;
}

// One strip, top to bottom. `sumRow` forms the sums of destination row j into `sums`.
template <typename SumRow>
void resampleStripRows(const DestPixels& dest, const AxisTaps& columns, const AxisTaps& rows,
                       const Strip& strip, bool clampRange, InstructionSet isa, SumRow sumRow) {
  const std::size_t width = static_cast<std::size_t>(strip.width);
  std::vector<float> sums(3 * width);
  for (std::int32_t j = 0; j < dest.height; ++j) {
    std::uint8_t* out = pixelOf(dest, j, strip.first);
    if (rows.outside[j]) {
      paintBlackRun(out, strip.used);
      continue;
    }
    sumRow(j, sums.data());
    storeSums(out, sums.data(), width, columns.outside.data() + strip.first, strip.used, clampRange, isa);
  }
}

void resampleStrip(const SourcePixels& source, const DestPixels& dest, const AxisTaps& columns,
                   const AxisTaps& rows, std::int32_t mode, TapOrder order, const Strip& strip,
                   InstructionSet isa) {
  const bool clampRange = mode == kSpline36 || mode == kLanczos8;
  if (mode == kBox) {
    std::vector<const std::uint8_t*> lines(static_cast<std::size_t>(rows.taps));
    const float boxWeight = 1.0f / static_cast<float>(static_cast<std::int64_t>(columns.taps) *
                                                      static_cast<std::int64_t>(rows.taps));
    const BoxWindow window{strip, columns.taps, rows.taps, lines.data(), boxWeight};
    resampleStripRows(dest, columns, rows, strip, clampRange, isa, [&](std::int32_t j, float* sums) {
      for (std::int32_t b = 0; b < rows.taps; ++b) lines[b] = lineOf(source, rows.indexAt(b, j));
      sumBoxWindow(window, sums, isa);
    });
    return;
  }
  GatheredRows gathered(source, columns, strip, rows.taps, isa);
  std::vector<const float*> runs(static_cast<std::size_t>(rows.taps));
  std::vector<float> rowWeights(static_cast<std::size_t>(rows.taps));
  const FilterWindow window{
      strip, columns.taps, rows.taps, runs.data(), rowWeights.data(), gathered.channelStride(), order};
  resampleStripRows(dest, columns, rows, strip, clampRange, isa, [&](std::int32_t j, float* sums) {
    for (std::int32_t b = 0; b < rows.taps; ++b) {
      runs[b] = gathered.row(rows.indexAt(b, j));
      rowWeights[b] = rows.weightAt(b, j);
    }
    sumFilterWindow(window, sums, isa);
  });
}

}  // namespace

void resampleWithTables(const SourcePixels& source, const DestPixels& dest, const AxisTaps& columns,
                        const AxisTaps& rows, std::int32_t mode, TapOrder order, InstructionSet isa) {
  const std::int32_t width = stripWidthFor(columns, rows);
  for (std::int32_t first = 0; first < dest.width; first += width)
    resampleStrip(source, dest, columns, rows, mode, order, Strip(columns, first, width), isa);
}

InstructionSet bestInstructionSet() {
  return __builtin_cpu_supports("avx2") ? InstructionSet::kAvx2 : InstructionSet::kBaseline;
}

void paintBlack(const DestPixels& dest) {
  for (std::int32_t j = 0; j < dest.height; ++j) paintBlackRun(pixelOf(dest, j, 0), dest.width);
}

}  // namespace corvale
