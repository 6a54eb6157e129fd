// The size arithmetic of a photo job, with halves rounded to even as everywhere in the program.
#include "batch/photo_job_geometry.h"

#include <algorithm>
#include <cmath>

#include "settings/target_size.h"

namespace lumivex {

namespace {

constexpr double kMaxPercentage = 1000.0;

// Sizes stay far below the integer limit: the engine cannot hold a picture of 2^31 pixels a side.
std::int32_t roundedSide(double value) {
  double rounded = std::nearbyint(value);
  return static_cast<std::int32_t>(std::clamp(rounded, 1.0, 2147483647.0));
}

}  // namespace

PictureSize UprightSize(PictureSize stored, std::int32_t turnCode) {
  constexpr std::int32_t kFirstQuarterTurn = 5, kLastQuarterTurn = 8;
  if (turnCode >= kFirstQuarterTurn && turnCode <= kLastQuarterTurn) return {stored.height, stored.width};
  return stored;
}

PictureSize TargetFor(PictureSize source, std::int32_t dstWidth, std::int32_t dstHeight, float dstPrcnt) {
  if (dstPrcnt > 0.0f && dstPrcnt <= kMaxPercentage) {
    double percentage = dstPrcnt;
    return {roundedSide(percentage * source.width / 100.0), roundedSide(percentage * source.height / 100.0)};
  }
  if (dstWidth > 0 && dstHeight == kFollowAspect)
    return {dstWidth, roundedSide(static_cast<double>(dstWidth) * source.height / source.width)};
  if (dstHeight > 0 && dstWidth == kFollowAspect)
    return {roundedSide(static_cast<double>(dstHeight) * source.width / source.height), dstHeight};
  if (dstWidth <= 0 || dstHeight <= 0) return {std::max(source.width, 1), std::max(source.height, 1)};
  return {std::max(dstWidth, 1), std::max(dstHeight, 1)};
}

std::optional<CropBand> CropBandFor(PictureSize picture, PictureSize target) {
  double w = picture.width, h = picture.height;
  double sourceAspect = w / h;
  double targetAspect = static_cast<double>(target.width) / target.height;
  if (sourceAspect == targetAspect) return std::nullopt;
  if (targetAspect >= sourceAspect) {
    std::int32_t newHeight = roundedSide(static_cast<double>(target.height) / target.width * w);
    return CropBand{
        0, static_cast<std::int32_t>(std::nearbyint(h / 2 - newHeight / 2.0)), {picture.width, newHeight}};
  }
  std::int32_t newWidth = roundedSide(static_cast<double>(target.width) / target.height * h);
  return CropBand{
      static_cast<std::int32_t>(std::nearbyint(w / 2 - newWidth / 2.0)), 0, {newWidth, picture.height}};
}

PictureSize FitInto(PictureSize picture, PictureSize target) {
  double w = picture.width, h = picture.height;
  double scale = target.width / w;
  if (target.height < h * scale) scale = target.height / h;
  return {roundedSide(w * scale), roundedSide(h * scale)};
}

}  // namespace lumivex
