// The planned load's rows: straight into the box sums when the box stage reduces the picture,
// into a whole picture otherwise.
#include "picture/planned_rows.h"

#include "jobs/band_split.h"
#include "readers/file_bytes.h"
#include "resample/resample_best.h"

namespace corvale {

namespace {

// Whole rows of a picture the box stage does not take are asked of the library this many at once.
constexpr std::int32_t kWholeRowsAhead = 16;

}  // namespace

PlannedRows::~PlannedRows() {
  releasePicture(stored_);
  releasePicture(intermediate_);
}

std::uint8_t* PlannedRows::rowFor(std::int32_t y) { return box_ ? box_->rowFor(y) : pixelAt(stored_, 0, y); }

std::int32_t PlannedRows::rowsAhead(std::int32_t y) { return box_ ? box_->rowsAhead(y) : kWholeRowsAhead; }

void PlannedRows::rowsDone(std::int32_t end) {
  if (box_) box_->rowsDone(end);
}

LoadOutcome PlannedRows::begin(std::int32_t width, std::int32_t height) {
  LoadOutcome refusal = askPlanner(planner_, width, height, plan_);
  if (!refusal.clean()) return refusal;
  if (const std::optional<StreamedBoxPlan> box = boxStageOf(width, height)) return startBoxStage(*box);
  // Its fourth bytes are left as the library writes them: no stage reads them.
  allocatePictureToFill(stored_, width, height, nullptr);
  return stored_.empty() ? tooLargeForMemory(width, height) : LoadOutcome();
}

// The box stage takes the rows when it is the first stage of the reduction, or the whole of it.
std::optional<StreamedBoxPlan> PlannedRows::boxStageOf(std::int32_t width, std::int32_t height) const {
  const PixelBand& band = plan_.band;
  const ReductionPlan reduction = planReduction(band.width, band.height, plan_.width, plan_.height);
  const bool boxFirst = reduction.twoStage && !reduction.intermediateIsTarget;
  const bool boxOnly = reduction.twoStage ? reduction.intermediateIsTarget : plan_.mode == kBox;
  StreamedBoxPlan box{width, height, plan_.orientation, band, plan_.width, plan_.height};
  if (boxFirst) box.width = reduction.width, box.height = reduction.height;
  if (!(boxFirst || boxOnly) || !boxStageStreams(box)) return std::nullopt;
  return box;
}

// The box stage's result is the intermediate picture when a filter follows, else the result.
LoadOutcome PlannedRows::startBoxStage(const StreamedBoxPlan& box) {
  const bool filterFollows = box.width != plan_.width || box.height != plan_.height;
  Picture& out = filterFollows ? intermediate_ : result_;
  allocatePicture(out, box.width, box.height, nullptr);
  if (out.empty()) return tooLargeForMemory(box.width, box.height);
  // A photo with a processor to spare sums its boxes beside its decoding.
  box_.emplace(box, out, plan_.threads > 1);
  return {};
}

LoadOutcome PlannedRows::finish() {
  if (!box_) return resampleStoredPicture(stored_, plan_, result_);
  box_->finish();
  if (intermediate_.empty()) return {};
  allocatePicture(result_, plan_.width, plan_.height, nullptr);
  if (result_.empty()) return tooLargeForMemory(plan_.width, plan_.height);
  resampleInBands(result_, intermediate_, plan_.mode, plan_.threads);
  return {};
}

LoadOutcome finishPlannedRows(PlannedRows& rows, bool completed, const LoadOutcome& message,
                              Picture& result) {
  LoadOutcome failure = completed ? rows.finish() : message;
  if (failure.clean() || failure.warned()) return message;
  releasePicture(result);
  return failure;
}

}  // namespace corvale
