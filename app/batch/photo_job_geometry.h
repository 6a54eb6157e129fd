// The size arithmetic of a photo job: the requested size after the percentage and zero rules, the
// band an automatic crop keeps, and the size that fits a picture into the target box. Every real
// value becomes an integer by rounding halves to the even neighbour.
#pragma once

#include <cstdint>
#include <optional>

#include "utilities/picture_size.h"

namespace lumivex {

// The size of the photo once turned by an Exif orientation code: codes 5 to 8 (every quarter
// turn, mirrored or not) swap its sides; 0 (no turn) and 1 to 4 keep them. Every size a job
// computes (no resize, percentages, one side, the shrink-only test, the crop) starts from it.
PictureSize UprightSize(PictureSize stored, std::int32_t turnCode);

// A percentage in (0, 1000] scales the source; otherwise a zero side keeps the source size;
// otherwise the two sides are the target. Each side is at least 1 pixel, so that a tiny
// percentage of a small picture still gives a picture.
PictureSize TargetFor(PictureSize source, std::int32_t dstWidth, std::int32_t dstHeight, float dstPrcnt);

// The band of `picture` with the aspect ratio of `target`, centred across the side that is too
// long; none when the two aspect ratios are already equal.
struct CropBand {
  std::int32_t left = 0;
  std::int32_t top = 0;
  PictureSize size;
  bool operator==(const CropBand&) const = default;
};
std::optional<CropBand> CropBandFor(PictureSize picture, PictureSize target);

// The largest size with the picture's aspect ratio that fits the target box: smaller pictures are
// enlarged. Each side is at least 1 pixel.
PictureSize FitInto(PictureSize picture, PictureSize target);

}  // namespace lumivex
