// The planned load: the reader chosen as loadPictureFile chooses it, the rows streamed by a format
// whose row of the table has a planned reader (JPEG, PNG), and otherwise the whole picture turned,
// cropped and resampled.
#include "picture/planned_load.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "jobs/band_split.h"
#include "picture/kept_alpha.h"
#include "picture/source_file.h"
#include "rotate/rotate.h"

namespace corvale {

namespace {

constexpr std::int32_t kMostThreads = 16;
constexpr const char* kBandOutside = "was not loaded: its crop band lies outside the picture";
constexpr const char* kNoMemoryToResample = "is too large for memory to be resampled";

// The band of `upright` as a picture of its own; `upright` itself when the band is all of it.
bool cropInto(Picture& upright, const PixelBand& band, Picture& cropped) {
  if (band.left == 0 && band.top == 0 && band.width == upright.width && band.height == upright.height) {
    cropped = std::exchange(upright, Picture{});
    return true;
  }
  allocatePictureToFill(cropped, band.width, band.height, nullptr);
  if (cropped.empty()) return false;
  for (std::int32_t y = 0; y < band.height; ++y)
    std::memcpy(pixelAt(cropped, 0, y), pixelAt(upright, band.left, band.top + y),
                static_cast<std::size_t>(band.width) * 4);
  releasePicture(upright);
  return true;
}

bool turnUpright(Picture& stored, std::int32_t orientation, Picture& upright) {
  if (orientation < kMirrorLeftRight || orientation > kQuarterCounterClockwise) {
    upright = std::exchange(stored, Picture{});
    return true;
  }
  turnInto(stored, upright, orientation);
  releasePicture(stored);
  return !upright.empty();
}

}  // namespace

LoadOutcome askPlanner(const LoadPlanner& planner, std::int32_t storedWidth, std::int32_t storedHeight,
                       LoadPlan& plan) {
  plan = LoadPlan{};
  if (!planner(storedWidth, storedHeight, plan)) return kPlanStopped;
  const bool swapped = swapsSides(plan.orientation);
  const std::int32_t uprightWidth = swapped ? storedHeight : storedWidth;
  const std::int32_t uprightHeight = swapped ? storedWidth : storedHeight;
  PixelBand& band = plan.band;
  if (band.width == 0 || band.height == 0) band = {0, 0, uprightWidth, uprightHeight};
  plan.threads = std::clamp(plan.threads, 1, kMostThreads);
  const bool inside = band.left >= 0 && band.top >= 0 && band.width > 0 && band.height > 0 &&
                      band.width <= uprightWidth - band.left && band.height <= uprightHeight - band.top;
  return inside ? LoadOutcome() : LoadOutcome{LoadCause::kPlanRefused, kBandOutside};
}

LoadOutcome resampleStoredPicture(Picture& stored, const LoadPlan& plan, Picture& result) {
  const bool alphaKept = stored.alphaKept;
  Picture upright, cropped;
  const bool ready = turnUpright(stored, plan.orientation, upright) && cropInto(upright, plan.band, cropped);
  releasePicture(upright);
  if (ready) allocatePicture(result, plan.width, plan.height, nullptr);
  bool done = false;
  try {
    done = !result.empty() && resampleBestInBands(cropped, result, plan.mode, plan.threads);
    if (done && alphaKept) done = resampleKeptAlpha(cropped, result, plan.mode, plan.threads);
    result.alphaKept = done && alphaKept;
  } catch (...) {
    releasePicture(cropped);
    throw;
  }
  releasePicture(cropped);
  if (done) return {};
  releasePicture(result);
  return {LoadCause::kTooLargeForMemory, kNoMemoryToResample};
}

LoadOutcome loadWholeThenPlan(LoadOutcome (*read)(Bytes, gdi::HDC, Picture&), Bytes bytes,
                              const LoadPlanner& planner, Picture& result) {
  Picture stored;
  stored.alphaWanted = result.alphaWanted;
  LoadOutcome message = read(bytes, nullptr, stored);
  if (stored.empty()) return message;
  LoadPlan plan;
  LoadOutcome failure = askPlanner(planner, stored.width, stored.height, plan);
  if (failure.clean()) failure = resampleStoredPicture(stored, plan, result);
  releasePicture(stored);
  return failure.clean() ? message : failure;
}

LoadOutcome loadPlanned(const char* path, const LoadPlanner& planner, Picture& result) {
  releasePicture(result);
  SourceFile source = readSourceFile(path);
  if (!source.failure.clean()) return source.failure;
  LoadOutcome message = source.format->readPlanned
                            ? source.format->readPlanned(source.file.bytes, planner, result)
                            : loadWholeThenPlan(source.format->read, source.file.bytes, planner, result);
  if (result.alphaWanted && !result.alphaKept && !result.empty()) makeOpaque(result);
  return message;
}

}  // namespace corvale
