// The planned load of a JPEG file: its rows go from the decoder into the planned rows
// (picture/planned_rows.h), straight into the box sums when the plan reduces the picture by them.
#include "picture/planned_rows.h"
#include "readers/jpeg_rows.h"
#include "readers/planned_readers.h"

namespace corvale {

LoadOutcome loadJpegPlanned(Bytes bytes, const LoadPlanner& planner, Picture& result) {
  PlannedRows rows(planner, result);
  bool completed = false;
  LoadOutcome message = readJpegRows(bytes, rows, completed);
  return finishPlannedRows(rows, completed, message, result);
}

}  // namespace corvale
