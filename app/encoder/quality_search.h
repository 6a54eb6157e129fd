// The highest JPEG quality whose file fits a size limit. The picture is sampled and transformed
// once (TransformHDC); each quality tried only quantizes those blocks again and gathers their
// symbol statistics, which tell the file's size short of its stuffed bytes (a lower bound; the
// search adds the stuffing a photo usually has), and the file itself is coded at the quality
// chosen, and at a neighbour only when the stuffed bytes decide between the two.
//
// A file's size falls as its quality falls (for photos, not strictly for every picture), so the
// qualities are searched like a sorted list: the search ends with a quality q whose file fits and
// a quality q + 1 whose file is known to be too large, which holds whatever the shape of the curve
// between the qualities tried.
#pragma once

#include <cstdint>
#include <vector>

#include "encoder/jpeg_file_writer.h"
#include "encoder/sampling.h"

namespace lumivex {

// The qualities the search may choose from, both ends included (1 <= lowest <= highest <= 100).
struct QualityRange {
  std::int32_t lowest = 10;
  std::int32_t highest = 75;
};

// The lowest quality a size limit lowers a photo to, or its own quality when that is lower.
inline constexpr std::int32_t kLowestFittingQuality = 10;

struct QualityFit {
  std::int32_t quality = 0;         // the quality of `file`
  bool fits = false;                // false: even the lowest quality gives a file above the limit
  std::int64_t qualitiesTried = 0;  // how many qualities were quantized and counted, for the benchmark
  std::vector<std::uint8_t> file;   // the complete file, at the lowest quality when nothing fits
};

// Chooses the highest quality of `range` whose complete file (every segment of `content`
// included) takes at most `maxFileBytes` bytes and returns that file; when none does, the file at
// range.lowest with fits false. `content` gives everything but the quantization tables; its setup
// must be `setup`, whose components `image` was transformed for; their coefficients are left
// quantized for the quality returned.
QualityFit FitQuality(const TransformedImage& image, ComponentSetup& setup, JpegContent content,
                      QualityRange range, std::int64_t maxFileBytes);

}  // namespace lumivex
