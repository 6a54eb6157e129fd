#include "batch/batch_run.h"

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <thread>

#include "batch/target_size.h"
#include "batch/utilities.h"

namespace lumivex {

namespace {

const char* const kProcessorKeys[] = {"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\7",
                                      "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\3",
                                      "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\1"};
const std::int32_t kWorkersForKey[] = {8, 4, 2};

bool processorExists(const char* key) {
  return LeadingNumber(ReadRegValue(kHkeyLocalMachine, key, "~Mhz")) > 0;
}

// One run's state: what it started, and what became of each photo.
class Run {
 public:
  Run(PendingFiles& queue, Workers& workers, const TargetSize& target, BatchObserver& observer)
      : queue_(queue), workers_(workers), target_(target), observer_(observer) {}

  void dispatch();
  void waitForLastJobs();
  std::int32_t dispatched() const { return dispatched_; }
  BatchSummary& summary() { return summary_; }

 private:
  void collect(PhotoJob& worker);
  void startNext(std::int32_t slot, PhotoJob& worker);

  PendingFiles& queue_;
  Workers& workers_;
  TargetSize target_;
  BatchObserver& observer_;
  std::int32_t started_ = 0;     // idle workers met while dispatching (may run past the queue)
  std::int32_t dispatched_ = 0;  // entries handed to a worker
  BatchSummary summary_;
};

void Run::collect(PhotoJob& worker) {
  PhotoReport report;
  if (!worker.takeReport(report)) return;
  ++summary_.photos;
  if (report.outcome == PhotoOutcome::Written) ++summary_.written;
  if (report.outcome == PhotoOutcome::KeptExisting) ++summary_.keptExisting;
  if (report.outcome == PhotoOutcome::Failed) ++summary_.failed, summary_.failures.push_back(report);
  observer_.photoEnded(report);
}

void Run::startNext(std::int32_t slot, PhotoJob& worker) {
  QueuedFile entry = queue_.at(started_);  // a copy: drops may grow the queue meanwhile
  observer_.showStatus(ResizingText(entry.Path));
  worker.ResizePicture_Start(slot, entry.Path, target_.dstWidth, target_.dstHeight, target_.dstPrcnt,
                             entry.BaseDir);
  ++dispatched_;
  observer_.processEvents();
}

void Run::dispatch() {
  while (started_ <= queue_.count()) {
    for (std::size_t k = 0; k < workers_.size(); ++k) {
      PhotoJob& worker = *workers_[k];
      if (!worker.isFinished()) continue;
      collect(worker);
      observer_.drawProgress(static_cast<double>(started_) / queue_.count());
      ++started_;
      if (started_ <= queue_.count()) startNext(static_cast<std::int32_t>(k), worker);
    }
    observer_.pause(kPollMilliseconds);
    observer_.processEvents();
  }
}

void Run::waitForLastJobs() {
  for (;;) {
    bool allIdle = true;
    for (auto& worker : workers_) {
      if (worker->isFinished())
        collect(*worker);
      else
        allIdle = false;
    }
    if (allIdle) return;
    observer_.pause(kPollMilliseconds);
    observer_.processEvents();
  }
}

}  // namespace

BatchObserver::~BatchObserver() = default;

void BatchObserver::pause(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void BatchObserver::photoEnded(const PhotoReport& report) {
  if (report.outcome == PhotoOutcome::Failed) showStatus(FailureText(report));
}

std::int32_t CountWorkers() {
  for (std::size_t i = 0; i < std::size(kProcessorKeys); ++i)
    if (processorExists(kProcessorKeys[i])) return kWorkersForKey[i];
  return 1;
}

Workers CreateWorkers(std::int32_t count) {
  Workers workers;
  for (std::int32_t i = 0; i < count; ++i) workers.push_back(std::make_unique<CWorker>());
  return workers;
}

BatchSummary RunBatch(PendingFiles& queue, Workers& workers, const std::string& sizeText,
                      BatchObserver& observer) {
  if (queue.count() == 0 || workers.empty()) return {};
  TargetSizeReading target = ReadTargetSize(sizeText);
  if (!target.valid) {
    observer.showStatus(target.status);
    return {};
  }
  observer.drawProgress(0.0);
  std::int64_t t0 = ClockMs();
  Run run(queue, workers, target.size, observer);
  run.dispatch();
  run.waitForLastJobs();
  observer.drawProgress(1.0);
  queue.removeServed(run.dispatched());
  std::int64_t t1 = ClockMs();
  run.summary().elapsedMilliseconds = static_cast<double>(t1 - t0);
  // Every job this run started has ended by now, and only those count.
  observer.showStatus(DoneText(static_cast<double>(t1 - t0), run.dispatched()));
  observer.processEvents();
  run.summary().ran = true;
  return run.summary();
}

std::string DoneText(double elapsedMilliseconds, std::int32_t photos) {
  double seconds = elapsedMilliseconds / (std::max(photos, 1) * 1000.0);
  long long hundredths = std::llround(std::nearbyint(seconds * 100.0));
  std::string text = std::to_string(hundredths / 100);
  int fraction = static_cast<int>(hundredths % 100);
  if (fraction != 0) {
    const char* point = std::localeconv()->decimal_point;
    text += point && *point ? point : ".";
    text += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
  }
  return "Done.\n(" + text + " seconds per photo)";
}

std::string ResizingText(const std::string& path) { return "Resizing " + FileNameOf(path) + "..."; }

std::string FailureText(const PhotoReport& report) {
  return "Could not resize " + FileNameOf(report.source) + ":\n" + report.reason;
}

}  // namespace lumivex
