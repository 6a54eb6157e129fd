// The planned load of a JPEG file: its rows go from the decoder into the box stage when the plan
// reduces the picture by one, and into a whole picture otherwise (picture/planned_load.h).
#pragma once

#include <string>

#include "picture/planned_load.h"
#include "readers/readers.h"

namespace corvale {

// loadPlanned for a file that the JPEG reader reads.
LoadOutcome loadJpegPlanned(Bytes bytes, const LoadPlanner& planner, Picture& result);

}  // namespace corvale
