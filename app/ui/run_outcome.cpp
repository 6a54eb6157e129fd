// The status line after a run. "Done." alone would read the same for a run where every photo
// failed; the counts say what actually happened.
#include "ui/run_outcome.h"

namespace lumivex::ui {

namespace {

std::string photosText(std::int32_t count) {
  return std::to_string(count) + (count == 1 ? " photo" : " photos");
}

// The batch's own closing text, without its "Done." line: the seconds per photo of this run.
std::string secondsPerPhotoLine(const BatchSummary& summary) {
  std::string done = DoneText(summary.elapsedMilliseconds, summary.photos);
  std::size_t lineEnd = done.find('\n');
  return lineEnd == std::string::npos ? done : done.substr(lineEnd + 1);
}

}  // namespace

std::string RunOutcomeText(const BatchSummary& summary) {
  std::string text = photosText(summary.written) + " done";
  if (summary.keptExisting > 0) text += ", " + std::to_string(summary.keptExisting) + " kept as they were";
  if (summary.failed > 0)
    text += ", " + std::to_string(summary.failed) + " failed (" + FailureCausesText(summary) + ")";
  return text + "\n" + secondsPerPhotoLine(summary);
}

}  // namespace lumivex::ui
