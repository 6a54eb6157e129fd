// The batch loop: hands the queued images in order to idle photo jobs, polls the jobs until all
// are done, and reports the time per photo. It runs on one thread and never blocks for long: it
// calls its observer to show progress, to wait between polls and to process pending events, so a
// window can drive it from a timer and stay responsive (and append dropped files to the queue
// while it runs), and the headless front end can drive it from a plain loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "batch/job_wake.h"
#include "batch/photo_job.h"
#include "input/folder_walk.h"

namespace lumivex {

inline constexpr int kPollMilliseconds = 20;
// Below this much available memory a photo waits for the others in flight to end before it starts
// (a 24-megapixel photo and its resized copy take about 110 MB; several at once can take far more).
inline constexpr std::int64_t kMemoryReserveBytes = std::int64_t{1} << 30;

// The kernel's estimate of the memory that can be allocated without swapping (MemAvailable), or a
// very large number when it cannot be read.
std::int64_t AvailableMemoryBytes();

class BatchObserver {
 public:
  virtual ~BatchObserver();
  virtual void showStatus(const std::string& text) = 0;
  // The share of the run's entries started so far; may pass 1 when files arrive during a run.
  virtual void drawProgress(double fraction) = 0;
  // Entry `number` of the `total` queued so far starts (the total grows with drops during a run).
  virtual void entryStarted(std::int32_t number, std::int32_t total, const std::string& path);
  // Lets the front end handle what happened meanwhile (drops, dialogs, the exit button).
  virtual void processEvents() {}
  // Waits between two polls of the jobs, and less when a job ends meanwhile (jobWake signals it);
  // by default on jobWake alone.
  virtual void pause(int milliseconds);
  JobWake& jobWake() { return jobWake_; }
  // Called once for every photo of the run when its job ends; by default a failure shows its
  // reason in the status.
  virtual void photoEnded(const PhotoReport& report);
  // True when the machine has too little memory left to start one more photo beside those in
  // flight, a photo whose decoder takes `decoderBytes` beyond the ordinary (a progressive JPEG's
  // coefficients); reads the kernel's estimate of available memory by default.
  virtual bool memoryIsShort(std::int64_t decoderBytes);

 private:
  JobWake jobWake_;
};

using Workers = std::vector<std::unique_ptr<PhotoJob>>;

// 8, 4, 2 or 1 by the processors the platform reports: 3 processors give 2 workers, 6 give 4.
std::int32_t CountWorkers();
Workers CreateWorkers(std::int32_t count);

// Counts are of copies: a photo made at two sizes counts twice, unless it failed before either.
struct BatchSummary {
  bool ran = false;          // false when nothing was queued or the size text was invalid
  std::int32_t photos = 0;   // reports: one a copy, so a photo made at several sizes counts each
  std::int32_t sources = 0;  // the photos those reports came from
  std::int32_t written = 0;
  std::int32_t keptExisting = 0;
  std::int32_t failed = 0;
  std::vector<PhotoReport> failures;
  std::vector<PhotoReport> warnings;   // written, but the decoder complained (a file cut short)
  std::vector<PhotoReport> overLimit;  // written, but above the file size limit at the lowest quality
  double elapsedMilliseconds = 0;      // from the first job started to the last job ended
  bool flushFailed = false;            // the system reported a write error when the files were flushed
};

inline constexpr const char* kFlushFailedText =
    "the system reported a write error while the resized photos were saved to the disk; "
    "check the disk and the files of this run";

// One run over the queue with the sizes read from `sizeText` (one, or several separated by ";":
// every photo is then made at each). Entries that arrive while the run
// still starts jobs are served by this run, each exactly once; entries that arrive while it waits
// for its last jobs stay queued for the next run. An invalid size shows its status and leaves the
// queue as it is. When the user cancels (at the overwrite question) no further photo starts, the
// photos in flight end, and the entries not started are dropped from the queue.
BatchSummary RunBatch(PendingFiles& queue, Workers& workers, const std::string& sizeText,
                      BatchObserver& observer);

// "Done." and, on the next line, the seconds per photo rounded to two decimals (halves to even),
// without trailing zeros, with the decimal separator of the current locale.
std::string DoneText(double elapsedMilliseconds, std::int32_t photos);

std::string ResizingText(const std::string& path);
std::string FailureText(const PhotoReport& report);

// The run's failures counted by cause, in the order of the causes' numbers, failures after the
// load last: "1 damaged, 1 not an image, 1 not written"; "" without failures.
std::string FailureCausesText(const BatchSummary& summary);

}  // namespace lumivex
