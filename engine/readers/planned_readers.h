// The readers that decode straight to a planned size (picture/planned_load.h): their rows go from
// the decoder into the box stage when the plan reduces the picture by one, and into a whole
// picture otherwise.
#pragma once

#include "picture/planned_load.h"
#include "readers/readers.h"

namespace corvale {

// loadPlanned for a file that the JPEG reader reads.
LoadOutcome loadJpegPlanned(Bytes bytes, const LoadPlanner& planner, Picture& result);

// loadPlanned for a PNG file: one in row order, flattened on white, streams; any other is read
// whole first.
LoadOutcome readPngPlanned(Bytes bytes, const LoadPlanner& planner, Picture& result);

// loadPlanned for a TIFF file: an upright one in strips or tiles of a few rows, flattened on white,
// streams a strip at a time; any other is read whole first.
LoadOutcome readTiffPlanned(Bytes bytes, const LoadPlanner& planner, Picture& result);

}  // namespace corvale
