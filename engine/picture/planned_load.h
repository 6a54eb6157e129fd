// A load that ends at the size the caller wants: the file's picture turned upright, cropped and
// resampled (best quality, as the job slots do) in one call, planned by the caller once the stored
// size is known. A JPEG file that the box stage reduces goes from its decoder straight into the
// box sums, without a full-size picture; every other case decodes the whole picture first. Both
// give the same bytes as a load, a turn, a crop and a best-quality resample one after the other.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "picture/picture.h"
#include "readers/readers.h"
#include "resample/box_accumulator.h"

namespace corvale {

struct LoadPlan {
  std::int32_t orientation = 1;  // the Exif orientation that turns the stored picture upright
  PixelBand band;                // of the upright picture; a width or height of 0 keeps it whole
  std::int32_t width = 0;        // the result's size
  std::int32_t height = 0;
  std::int32_t mode = 0;
  std::int32_t threads = 1;  // threads the resampling may use, the calling one included
};

// Fills `plan` for a picture of the stored size given; false stops the load.
using LoadPlanner = std::function<bool(std::int32_t storedWidth, std::int32_t storedHeight, LoadPlan& plan)>;

// What a load says when its planner stopped it.
inline constexpr const char* kLoadStoppedByPlanner = "was not loaded: its plan was refused";
inline const LoadOutcome kPlanStopped{LoadCause::kPlanRefused, kLoadStoppedByPlanner};

// Reads the file at `path` into `result` as planned. When `result` wants its alpha
// (Picture::alphaWanted), a source with transparency keeps it (alphaKept, the colours
// premultiplied) and any other result has opacity 255 in every fourth byte. Returns what
// loadPictureFile would say (the reason of an empty result, or the decoder's warnings), or why the
// plan cannot be followed.
LoadOutcome loadPlanned(const char* path, const LoadPlanner& planner, Picture& result);

// Asks `planner` for the plan of a picture of the stored size given, and makes its band that of the
// upright picture (the whole of it for a width or height of 0). Returns clean or why the load stops:
// the planner refused, or the band does not lie inside the upright picture.
LoadOutcome askPlanner(const LoadPlanner& planner, std::int32_t storedWidth, std::int32_t storedHeight,
                       LoadPlan& plan);

// The whole-picture way for a file that `read` decodes: the picture read whole (keeping its alpha
// when `result` wants it), then planned, turned, cropped and resampled. What loadPlanned does for a
// format without a planned reader, and a planned reader's way for a file it cannot stream.
LoadOutcome loadWholeThenPlan(LoadOutcome (*read)(Bytes, gdi::HDC, Picture&), Bytes bytes,
                              const LoadPlanner& planner, Picture& result);

// The whole-picture way: `stored` (used up) turned, cropped and resampled into `result`. Returns
// clean or why it could not be done.
LoadOutcome resampleStoredPicture(Picture& stored, const LoadPlan& plan, Picture& result);

}  // namespace corvale
