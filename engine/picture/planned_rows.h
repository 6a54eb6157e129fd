// The rows of a reader that decodes row by row, taken as the caller's plan says once the header
// gives the stored size: when the box stage reduces the cropped, upright picture (the first stage
// of a strong reduction, or a box pass of its own), each row goes straight into the box sums and
// only the box stage's small result is ever allocated; otherwise into a whole picture, which is
// then turned, cropped and resampled as a load followed by those steps would do.
#pragma once

#include <optional>

#include "picture/planned_load.h"
#include "readers/row_sink.h"
#include "resample/box_accumulator.h"

namespace corvale {

class PlannedRows : public RowSink {
 public:
  PlannedRows(const LoadPlanner& planner, Picture& result) : planner_(planner), result_(result) {}
  ~PlannedRows() override;

  LoadOutcome begin(std::int32_t width, std::int32_t height) override;
  std::uint8_t* rowFor(std::int32_t y) override;
  std::int32_t rowsAhead(std::int32_t y) override;
  void rowsDone(std::int32_t end) override;
  // After the last row: the rest of the plan. Returns clean or why it could not be done.
  LoadOutcome finish();

 private:
  std::optional<StreamedBoxPlan> boxStageOf(std::int32_t width, std::int32_t height) const;
  LoadOutcome startBoxStage(const StreamedBoxPlan& box);

  const LoadPlanner& planner_;
  Picture& result_;
  LoadPlan plan_;
  Picture stored_;        // the whole picture, when the rows cannot be streamed
  Picture intermediate_;  // the box stage's result, when a filter follows it
  std::optional<BoxAccumulator> box_;
};

// What a planned reader gives back once its rows are read: the reader's own message when every
// row arrived and the plan was carried out (its warnings kept), else why not, with `result` empty.
LoadOutcome finishPlannedRows(PlannedRows& rows, bool completed, const LoadOutcome& message, Picture& result);

// The planned load of a reader that knows the stored size and hands its rows over itself:
// `decode(rows)` puts every row into `rows` and returns clean, or why it stopped.
template <typename Decode>
LoadOutcome loadRowsPlanned(const LoadPlanner& planner, Picture& result, std::int32_t width,
                            std::int32_t height, Decode decode) {
  PlannedRows rows(planner, result);
  LoadOutcome message = rows.begin(width, height);
  const bool begun = message.clean();
  if (begun) message = decode(rows);
  return finishPlannedRows(rows, begun && message.clean(), message, result);
}

}  // namespace corvale
