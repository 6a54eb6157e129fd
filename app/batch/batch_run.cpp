// The batch loop: entries handed out strictly in queue order to idle workers, polls until the
// last job ends, and the texts of a run ("Resizing ...", "Done.").
#include "batch/batch_run.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <clocale>
#include <cmath>
#include <fstream>
#include <limits>
#include <optional>
#include <set>
#include <thread>

#include "batch/question_clock.h"
#include "files/new_file.h"
#include "metadata/photo_metadata.h"
#include "settings/target_size.h"
#include "utilities/utilities.h"

namespace lumivex {

namespace {

const char* const kProcessorKeys[] = {"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\7",
                                      "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\3",
                                      "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\1"};
const std::int32_t kWorkersForKey[] = {8, 4, 2};
constexpr std::int64_t kFlushMilliseconds = 1000;

bool processorExists(const char* key) {
  return LeadingNumber(ReadRegValue(kHkeyLocalMachine, key, "~Mhz")) > 0;
}

// One run's state: the next entry to hand out, and what became of each photo. Entries are handed
// out strictly in order, one number each, so the served entries are always 1..next-1 however the
// drops and the idle workers interleave.
class Run {
 public:
  Run(PendingFiles& queue, Workers& workers, const std::vector<TargetSize>& targets, BatchObserver& observer)
      : queue_(queue),
        workers_(workers),
        target_(targets.front()),
        moreTargets_(targets.begin() + 1, targets.end()),
        observer_(observer) {}

  void dispatch();
  void waitForLastJobs();
  void flush();
  std::int32_t served() const { return next_ - 1; }
  BatchSummary& summary() { return summary_; }
  RunLedger& ledger() { return ledger_; }

 private:
  bool entriesLeft() const { return !ledger_.cancelled && next_ <= queue_.count(); }
  bool anyBusy() const;
  bool collect(PhotoJob& worker);
  void flushNowAndThen();
  void record(const PhotoReport& report);
  void startNext(std::int32_t slot, PhotoJob& worker);
  std::int32_t threadsPerPhoto() const;
  std::int64_t nextDecoderBytes();

  PendingFiles& queue_;
  Workers& workers_;
  TargetSize target_;
  std::vector<TargetSize> moreTargets_;  // every photo is made at these sizes too
  BatchObserver& observer_;
  std::int32_t next_ = 1;  // the queue entry the next idle worker takes
  std::int64_t lastFlush_ = ClockMs();
  RunLedger ledger_;
  BatchSummary summary_;
  std::set<std::string> sources_;
  // The next entry's metadata, read once to learn its decoder's memory and handed to its job, so
  // that the file is not opened again for it.
  std::int32_t preReadOf_ = 0;  // the entry preRead_ was read for
  std::optional<PhotoMetadata> preRead_;
};

// A worker whose photo only waits for its name holds no pictures any more: it does not count.
bool Run::anyBusy() const {
  return std::any_of(workers_.begin(), workers_.end(),
                     [](const auto& worker) { return !worker->canTakePhoto(); });
}

// Takes every report the worker has; true when there was one.
bool Run::collect(PhotoJob& worker) {
  bool any = false;
  PhotoReport report;
  while (worker.takeReport(report)) {
    record(report);
    any = true;
  }
  return any;
}

void Run::record(const PhotoReport& report) {
  ++summary_.photos;
  sources_.insert(report.source);
  summary_.sources = static_cast<std::int32_t>(sources_.size());
  switch (report.outcome) {
    case PhotoOutcome::Written:
      ++summary_.written;
      if (!report.warning.empty()) summary_.warnings.push_back(report);
      if (!report.sizeWarning.empty()) summary_.overLimit.push_back(report);
      break;
    case PhotoOutcome::KeptExisting:
      ++summary_.keptExisting;
      break;
    case PhotoOutcome::Failed:
      ++summary_.failed;
      summary_.failures.push_back(report);
      break;
  }
  observer_.photoEnded(report);
}

void Run::startNext(std::int32_t slot, PhotoJob& worker) {
  observer_.drawProgress(static_cast<double>(next_ - 1) / queue_.count());
  QueuedFile entry = queue_.at(next_);  // a copy: drops may grow the queue meanwhile
  if (preRead_ && preReadOf_ == next_) worker.takeMetadata(entry.Path, std::move(*preRead_));
  preRead_.reset();
  observer_.entryStarted(next_++, queue_.count(), entry.Path);
  observer_.showStatus(ResizingText(entry.Path));
  ledger_.addSource(entry.Path);
  worker.ledger = &ledger_;
  worker.wake = &observer_.jobWake();
  worker.moreSizes = moreTargets_;
  worker.threads = threadsPerPhoto();
  worker.ResizePicture_Start(slot, entry.Path, target_.dstWidth, target_.dstHeight, target_.dstPrcnt,
                             entry.BaseDir);
  observer_.processEvents();
}

// A run of fewer photos than workers lends each photo the processors of the workers it leaves idle.
// So does the last photo of a longer run: the other workers are finishing their last photos, and
// the processors they free as they end go to it rather than sit idle till the run ends.
std::int32_t Run::threadsPerPhoto() const {
  const auto workers = static_cast<std::int32_t>(workers_.size());
  const std::int32_t photos = std::max(queue_.count(), 1);
  if (photos < workers) return workers / photos;
  return next_ > queue_.count() ? workers : 1;
}

// What the next photo's decoder takes beyond the ordinary, read from its file once.
std::int64_t Run::nextDecoderBytes() {
  if (preReadOf_ != next_ || !preRead_) {
    preRead_ = ReadPhotoMetadata(queue_.at(next_).Path);
    preReadOf_ = next_;
  }
  return preRead_->decoderBytes;
}

// Hands each free worker the next entry until none is left. While another photo is in flight and
// the machine runs short of memory, a new photo waits for a worker to finish rather than
// allocating its pictures beside the others. A pass that ended a photo is followed by another at
// once: that photo's end may be the turn another worker's finished photo waits for.
void Run::dispatch() {
  while (entriesLeft()) {
    bool ended = false;
    for (std::size_t k = 0; k < workers_.size() && entriesLeft(); ++k) {
      PhotoJob& worker = *workers_[k];
      bool free = worker.canTakePhoto();
      ended |= collect(worker);
      if (!free || !entriesLeft() || (anyBusy() && observer_.memoryIsShort(nextDecoderBytes()))) continue;
      startNext(static_cast<std::int32_t>(k), worker);
    }
    if (!ended) observer_.pause(kPollMilliseconds);
    observer_.processEvents();
    flushNowAndThen();
  }
}

// Written files reach the disk in batches, about once a second and at the end of the run, rather
// than one flush per photo: a power loss may cost the last second's outputs (the sources are
// never touched), while a run of small photos no longer waits for the disk twice per photo.
void Run::flushNowAndThen() {
  if (ClockMs() - lastFlush_ < kFlushMilliseconds) return;
  flush();
}

void Run::flush() {
  if (!ledger_.foldersToFlush.empty() && !FlushFolders(ledger_.foldersToFlush)) summary_.flushFailed = true;
  ledger_.foldersToFlush.clear();
  lastFlush_ = ClockMs();
}

void Run::waitForLastJobs() {
  for (;;) {
    bool allIdle = true, ended = false;
    for (auto& worker : workers_) {
      if (!worker->isFinished()) allIdle = false;
      ended |= collect(*worker);
    }
    if (allIdle) return;
    if (!ended) observer_.pause(kPollMilliseconds);
    observer_.processEvents();
    flushNowAndThen();
  }
}

}  // namespace

BatchObserver::~BatchObserver() = default;

void BatchObserver::pause(int milliseconds) { jobWake_.waitFor(milliseconds); }

void BatchObserver::entryStarted(std::int32_t, std::int32_t, const std::string&) {}

bool BatchObserver::memoryIsShort(std::int64_t decoderBytes) {
  return AvailableMemoryBytes() < kMemoryReserveBytes + decoderBytes;
}

void BatchObserver::photoEnded(const PhotoReport& report) {
  if (report.outcome == PhotoOutcome::Failed) showStatus(FailureText(report));
  if (!report.sizeWarning.empty()) showStatus(FileNameOf(report.source) + ": " + report.sizeWarning);
}

std::int64_t AvailableMemoryBytes() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::int64_t kilobytes = 0;
  std::string unit;
  while (meminfo >> key >> kilobytes) {
    if (key == "MemAvailable:") return kilobytes * 1024;
    std::getline(meminfo, unit);
  }
  return std::numeric_limits<std::int64_t>::max();
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
  TargetSizesReading targets = ReadTargetSizes(sizeText);
  if (!targets.valid) {
    observer.showStatus(WithSizeForms(targets.status));
    return {};
  }
  observer.drawProgress(0.0);
  QuestionClock questions;
  std::int64_t t0 = ClockMs();
  Run run(queue, workers, targets.sizes, observer);
  // Every source of the queue is known before the first photo is written, so that no photo's
  // output can replace a source that a later job has yet to read.
  for (std::int32_t i = 1; i <= queue.count(); ++i) run.ledger().addSource(queue.at(i).Path);
  run.dispatch();
  run.waitForLastJobs();
  run.flush();
  for (auto& worker : workers)
    worker->ledger = nullptr, worker->wake = nullptr, worker->moreSizes.clear(), worker->threads = 1;
  observer.drawProgress(1.0);
  // A cancelled run drops the entries it did not start: the user asked to stop.
  if (run.ledger().cancelled)
    queue.reset();
  else
    queue.removeServed(run.served());
  // The time spent waiting on a question is no photo's.
  double elapsed = static_cast<double>(ClockMs() - t0 - questions.waitedMilliseconds());
  run.summary().elapsedMilliseconds = elapsed;
  // Every job this run started has ended by now, and only those count.
  observer.showStatus(DoneText(elapsed, run.served()));
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

std::string FailureCausesText(const BatchSummary& summary) {
  // Slot 0 (kNone, no load cause) counts the failures after the load, named last.
  std::array<std::int32_t, corvale::kLoadCauseCount> counts{};
  for (const PhotoReport& failure : summary.failures) ++counts[static_cast<std::size_t>(failure.cause)];
  std::string text;
  auto add = [&text](std::int32_t count, const char* words) {
    if (count > 0) text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + words;
  };
  for (int cause = 1; cause < corvale::kLoadCauseCount; ++cause)
    add(counts[static_cast<std::size_t>(cause)],
        corvale::loadCauseWords(static_cast<corvale::LoadCause>(cause)));
  add(counts[0], "not written");
  return text;
}

}  // namespace lumivex
