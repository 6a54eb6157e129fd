// The 2-D resampling loop. The destination is processed in strips of columns, so that what one
// strip needs stays in the caches; within a strip, row by row, the window sums of each destination
// row are formed (box_window.h, filter_window.h) and stored as bytes (strip.h). The whole loop is
// compiled twice, for AVX2 and for the baseline, and resampleWithTables chooses once.
#include "resample/table_resampler.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "resample/box_window.h"
#include "resample/filter_window.h"
#include "resample/strip.h"

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

// The sums of destination row j in mode 0.
struct BoxRowSums {
  BoxRowSums(const SourcePixels& source, const AxisTaps& columns, const AxisTaps& rows, const Strip& strip)
      : source(source),
        rows(rows),
        lines(static_cast<std::size_t>(rows.taps)),
        window{strip, columns.taps, rows.taps, lines.data(),
               1.0f / static_cast<float>(static_cast<std::int64_t>(columns.taps) *
                                         static_cast<std::int64_t>(rows.taps))} {}

  [[gnu::always_inline]] void operator()(std::int32_t j, float* sums) {
    for (std::int32_t b = 0; b < rows.taps; ++b) lines[b] = lineOf(source, rows.indexAt(b, j));
    sumBoxWindow(window, sums);
  }

  const SourcePixels& source;
  const AxisTaps& rows;
  std::vector<const std::uint8_t*> lines;
  const BoxWindow window;
};

// The sums of destination row j in a filter mode.
struct FilterRowSums {
  FilterRowSums(const SourcePixels& source, const AxisTaps& columns, const AxisTaps& rows, const Strip& strip,
                TapOrder order)
      : rows(rows),
        gathered(source, columns, strip, rows.taps),
        runs(static_cast<std::size_t>(rows.taps)),
        rowWeights(static_cast<std::size_t>(rows.taps)),
        window{strip, columns.taps, rows.taps, runs.data(), rowWeights.data(), gathered.channelStride(),
               order} {}

  [[gnu::always_inline]] void operator()(std::int32_t j, float* sums) {
    for (std::int32_t b = 0; b < rows.taps; ++b) {
      runs[b] = gathered.row(rows.indexAt(b, j));
      rowWeights[b] = rows.weightAt(b, j);
    }
    sumFilterWindow(window, sums);
  }

  const AxisTaps& rows;
  GatheredRows gathered;
  std::vector<const float*> runs;
  std::vector<float> rowWeights;
  const FilterWindow window;
};

// One strip, top to bottom. `sumRow` forms the sums of destination row j into `sums`.
template <typename SumRow>
[[gnu::always_inline]] inline void resampleStripRows(const DestPixels& dest, const AxisTaps& columns,
                                                     const AxisTaps& rows, const Strip& strip,
                                                     bool clampRange, SumRow& sumRow) {
  const std::size_t width = static_cast<std::size_t>(strip.width);
  std::vector<float> sums(3 * width);
  for (std::int32_t j = 0; j < dest.height; ++j) {
    std::uint8_t* out = pixelOf(dest, j, strip.first);
    if (rows.outside[j]) {
      paintBlackRun(out, strip.used);
      continue;
    }
    sumRow(j, sums.data());
    storeSums(out, sums.data(), width, columns.outside.data() + strip.first, strip.used, clampRange);
  }
}

struct Tables {
  const SourcePixels& source;
  const DestPixels& dest;
  const AxisTaps& columns;
  const AxisTaps& rows;
  std::int32_t mode;
  TapOrder order;
};

[[gnu::always_inline]] inline void resampleStrips(const Tables& t) {
  const bool clampRange = t.mode == kSpline36 || t.mode == kLanczos8;
  const std::int32_t width = stripWidthFor(t.columns, t.rows);
  for (std::int32_t first = 0; first < t.dest.width; first += width) {
    const Strip strip(t.columns, first, width);
    if (t.mode == kBox) {
      BoxRowSums sumRow(t.source, t.columns, t.rows, strip);
      resampleStripRows(t.dest, t.columns, t.rows, strip, clampRange, sumRow);
    } else {
      FilterRowSums sumRow(t.source, t.columns, t.rows, strip, t.order);
      resampleStripRows(t.dest, t.columns, t.rows, strip, clampRange, sumRow);
    }
  }
}

__attribute__((target("avx2"))) void resampleStripsAvx2(const Tables& tables) { resampleStrips(tables); }

void resampleStripsBaseline(const Tables& tables) { resampleStrips(tables); }

}  // namespace

void resampleWithTables(const SourcePixels& source, const DestPixels& dest, const AxisTaps& columns,
                        const AxisTaps& rows, std::int32_t mode, TapOrder order, InstructionSet isa) {
  const Tables tables{source, dest, columns, rows, mode, order};
  if (isa == InstructionSet::kAvx2)
    resampleStripsAvx2(tables);
  else
    resampleStripsBaseline(tables);
}

InstructionSet bestInstructionSet() {
  return __builtin_cpu_supports("avx2") ? InstructionSet::kAvx2 : InstructionSet::kBaseline;
}

void paintBlack(const DestPixels& dest) {
  for (std::int32_t j = 0; j < dest.height; ++j) paintBlackRun(pixelOf(dest, j, 0), dest.width);
}

}  // namespace corvale
