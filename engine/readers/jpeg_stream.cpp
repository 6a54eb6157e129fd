// The planned load of a JPEG file. Once the header gives the stored size, the caller's plan says
// where the rows go: when the box stage reduces the cropped, upright picture (the first stage of a
// strong reduction, or a box pass of its own), each row goes straight into the box sums and only
// the box stage's small result is ever allocated; otherwise into a whole picture, which is then
// turned, cropped and resampled as a load followed by those steps would do.
#include "readers/jpeg_stream.h"

#include <optional>

#include "jobs/band_split.h"
#include "readers/file_bytes.h"
#include "readers/jpeg_rows.h"
#include "resample/box_accumulator.h"
#include "resample/resample_best.h"
#include "rotate/rotate.h"

namespace corvale {

namespace {

// Whole rows of a picture the box stage does not take are asked of the library this many at once.
constexpr std::int32_t kWholeRowsAhead = 16;

class PlannedRows : public JpegRowSink {
 public:
  PlannedRows(const LoadPlanner& planner, Picture& result) : planner_(planner), result_(result) {}
  ~PlannedRows() override {
    releasePicture(stored_);
    releasePicture(intermediate_);
  }

  LoadOutcome begin(std::int32_t width, std::int32_t height) override;
  std::uint8_t* rowFor(std::int32_t y) override { return box_ ? box_->rowFor(y) : pixelAt(stored_, 0, y); }
  std::int32_t rowsAhead(std::int32_t y) override { return box_ ? box_->rowsAhead(y) : kWholeRowsAhead; }
  void rowsDone(std::int32_t end) override {
    if (box_) box_->rowsDone(end);
  }
  // After the last row: the rest of the plan. Returns "" or why it could not be done.
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

}  // namespace

LoadOutcome loadJpegPlanned(Bytes bytes, const LoadPlanner& planner, Picture& result) {
  PlannedRows rows(planner, result);
  bool completed = false;
  LoadOutcome message = readJpegRows(bytes, rows, completed);
  LoadOutcome failure = completed ? rows.finish() : message;
  if (failure.clean() || failure.warned()) return message;
  releasePicture(result);
  return failure;
}

}  // namespace corvale
