// The batch loop with scripted photo jobs: dispatch order, the target read from the size text,
// files dropped during a run, the photo count of the timing, and the texts it shows.
#include "batch/batch_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <functional>
#include <thread>

#include "settings/target_size.h"

namespace lumivex {
namespace {

// A job that ends after a given number of polls, with the outcome its photo's name asks for.
struct StartCall {
  std::int32_t slot;
  std::string path;
  TargetSize target;
  std::string baseDir;
};

class ScriptedJob : public PhotoJob {
 public:
  ScriptedJob(std::vector<StartCall>& log, std::function<int(const std::string&)> pollsFor)
      : log_(log), pollsFor_(std::move(pollsFor)) {}

  void ResizePicture_Start(std::int32_t slot, const std::string& FileName, std::int32_t dstWidth,
                           std::int32_t dstHeight, float dstPrcnt,
                           const std::string& baseDirectory) override {
    log_.push_back({slot, FileName, {dstWidth, dstHeight, dstPrcnt}, baseDirectory});
    FileN = FileName;
    pollsLeft_ = pollsFor_(FileName);
    busy_ = true;
    maxInFlight = std::max(maxInFlight, ++inFlight);
  }
  bool isFinished() override {
    if (!busy_) return true;
    if (--pollsLeft_ > 0) return false;
    busy_ = false;
    --inFlight;
    bool fails = FileN.find("bad") != std::string::npos;
    report_ = {FileN,
               fails ? PhotoOutcome::Failed : PhotoOutcome::Written,
               fails ? "" : FileN + ".out",
               fails ? "cannot be read" : "",
               "",
               "",
               0,
               ""};
    hasReport_ = true;
    return true;
  }
  bool takeReport(PhotoReport& report) override {
    if (!hasReport_) return false;
    report = report_;
    hasReport_ = false;
    return true;
  }

  static inline int inFlight = 0;
  static inline int maxInFlight = 0;

 private:
  std::vector<StartCall>& log_;
  std::function<int(const std::string&)> pollsFor_;
  int pollsLeft_ = 0;
  bool busy_ = false;
  bool hasReport_ = false;
  PhotoReport report_;
};

// Records what the loop shows, and runs a scripted action at a given call of processEvents.
class RecordingObserver : public BatchObserver {
 public:
  void showStatus(const std::string& text) override { statuses.push_back(text); }
  void drawProgress(double fraction) override { progress.push_back(fraction); }
  void pause(int milliseconds) override { pauses.push_back(milliseconds); }
  void processEvents() override {
    if (++eventCalls == actionAtCall && action) action();
  }
  void photoEnded(const PhotoReport& report) override {
    ended.push_back(report.source);
    BatchObserver::photoEnded(report);
  }
  bool memoryIsShort(std::int64_t) override { return memoryShort; }

  std::vector<std::string> statuses;
  std::vector<double> progress;
  std::vector<int> pauses;
  std::vector<std::string> ended;
  bool memoryShort = false;
  int eventCalls = 0;
  int actionAtCall = -1;
  std::function<void()> action;
};

class BatchRunTest : public ::testing::Test {
 protected:
  void makeWorkers(int count, std::function<int(const std::string&)> pollsFor) {
    for (int i = 0; i < count; ++i) workers.push_back(std::make_unique<ScriptedJob>(starts, pollsFor));
  }
  void queueFiles(std::initializer_list<const char*> names) {
    for (const char* name : names) queue.append({std::string("/photos/") + name, "/photos"});
  }

  std::vector<StartCall> starts;
  Workers workers;
  PendingFiles queue;
  RecordingObserver observer;
};

TEST_F(BatchRunTest, NothingQueuedReturnsAtOnce) {
  makeWorkers(1, [](const std::string&) { return 1; });
  BatchSummary summary = RunBatch(queue, workers, "800x600", observer);
  EXPECT_FALSE(summary.ran);
  EXPECT_TRUE(observer.statuses.empty());
}

TEST_F(BatchRunTest, AnInvalidSizeShowsWhyAndKeepsTheQueue) {
  makeWorkers(1, [](const std::string&) { return 1; });
  queueFiles({"a.jpg"});
  EXPECT_FALSE(RunBatch(queue, workers, "800X600", observer).ran);
  EXPECT_FALSE(RunBatch(queue, workers, "0.5%", observer).ran);
  EXPECT_EQ(observer.statuses, (std::vector<std::string>{WithSizeForms(kIncorrectResolution),
                                                         WithSizeForms(kIncorrectPercentage)}));
  EXPECT_EQ(queue.count(), 1);
  EXPECT_TRUE(starts.empty());
  // Once the text is right, the same files run.
  EXPECT_TRUE(RunBatch(queue, workers, "50%", observer).ran);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].target.dstPrcnt, 50.0f);
}

TEST_F(BatchRunTest, EntriesGoInOrderToTheLowestIdleWorker) {
  makeWorkers(2, [](const std::string& path) { return path.ends_with("a.jpg") ? 5 : 1; });
  queueFiles({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
  BatchSummary summary = RunBatch(queue, workers, "1024x768", observer);
  ASSERT_EQ(starts.size(), 4u);
  std::vector<std::int32_t> slots;
  for (const StartCall& call : starts) slots.push_back(call.slot);
  EXPECT_EQ(slots, (std::vector<std::int32_t>{0, 1, 1, 1}));  // a.jpg keeps worker 0 busy
  EXPECT_EQ(starts[0].path, "/photos/a.jpg");
  EXPECT_EQ(starts[3].path, "/photos/d.jpg");
  EXPECT_EQ(starts[2].target.dstWidth, 1024);
  EXPECT_EQ(starts[2].target.dstHeight, 768);
  EXPECT_EQ(starts[2].baseDir, "/photos");
  EXPECT_EQ(observer.statuses.front(), "Resizing a.jpg...");
  EXPECT_TRUE(observer.statuses.back().starts_with("Done.\n(")) << observer.statuses.back();
  EXPECT_EQ(observer.progress.front(), 0.0);
  EXPECT_EQ(observer.progress.back(), 1.0);
  EXPECT_EQ(summary.photos, 4);
  EXPECT_EQ(summary.written, 4);
  EXPECT_EQ(queue.count(), 0);
  for (int pause : observer.pauses) EXPECT_EQ(pause, 20);
}

TEST_F(BatchRunTest, AFailedPhotoShowsItsReasonAndTheRunGoesOn) {
  makeWorkers(1, [](const std::string&) { return 1; });
  queueFiles({"good1.jpg", "bad.jpg", "good2.jpg"});
  BatchSummary summary = RunBatch(queue, workers, "800x600", observer);
  EXPECT_EQ(summary.written, 2);
  EXPECT_EQ(summary.failed, 1);
  ASSERT_EQ(summary.failures.size(), 1u);
  EXPECT_EQ(summary.failures[0].source, "/photos/bad.jpg");
  EXPECT_NE(std::find(observer.statuses.begin(), observer.statuses.end(),
                      "Could not resize bad.jpg:\ncannot be read"),
            observer.statuses.end());
  EXPECT_EQ(starts.size(), 3u);
}

TEST_F(BatchRunTest, FilesDroppedWhileJobsStartAreServedByTheSameRun) {
  makeWorkers(1, [](const std::string&) { return 3; });
  queueFiles({"a.jpg"});
  observer.actionAtCall = 2;  // the wait after the first start
  observer.action = [&] { queueFiles({"late.jpg"}); };
  RunBatch(queue, workers, "800x600", observer);
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].path, "/photos/late.jpg");
  EXPECT_EQ(queue.count(), 0);
}

// Worker 0 finishes a.jpg at once; worker 1 is still on b.jpg when the dispatch ends, so the run
// waits for it, and a file dropped during that wait must survive for the next run.
TEST_F(BatchRunTest, FilesDroppedWhileTheRunWaitsForItsLastJobsStayQueued) {
  makeWorkers(2, [](const std::string& path) { return path.ends_with("b.jpg") ? 8 : 1; });
  queueFiles({"a.jpg", "b.jpg"});
  // processEvents calls: after each of the two starts (1, 2), after the first and second pass (3,
  // 4); the fifth comes from the final wait.
  observer.actionAtCall = 5;
  observer.action = [&] { queueFiles({"late.jpg"}); };
  RunBatch(queue, workers, "800x600", observer);
  EXPECT_EQ(starts.size(), 2u);
  ASSERT_EQ(queue.count(), 1);
  EXPECT_EQ(queue.at(1).Path, "/photos/late.jpg");
  // The next run serves it.
  RunBatch(queue, workers, "800x600", observer);
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_EQ(starts[2].path, "/photos/late.jpg");
  EXPECT_EQ(queue.count(), 0);
}

// The photo count of the timing is the jobs this run finished: the job that ends only in the
// final wait counts, and a worker's last photo of an earlier run does not count again.
TEST_F(BatchRunTest, SecondsPerPhotoCountsThePhotosOfThisRun) {
  makeWorkers(2, [](const std::string& path) { return path.ends_with("b.jpg") ? 8 : 1; });
  queueFiles({"a.jpg", "b.jpg"});
  EXPECT_EQ(RunBatch(queue, workers, "800x600", observer).photos, 2);
  queueFiles({"c.jpg"});
  BatchSummary second = RunBatch(queue, workers, "800x600", observer);
  EXPECT_EQ(second.photos, 1);
  EXPECT_EQ(observer.ended, (std::vector<std::string>{"/photos/a.jpg", "/photos/b.jpg", "/photos/c.jpg"}));
}

// Short of memory, a photo waits for the one in flight instead of allocating beside it, but a
// photo alone is never held back.
TEST_F(BatchRunTest, ShortOfMemoryPhotosRunOneAtATime) {
  makeWorkers(2, [](const std::string&) { return 3; });
  queueFiles({"a.jpg", "b.jpg", "c.jpg"});
  observer.memoryShort = true;
  ScriptedJob::maxInFlight = 0;
  BatchSummary summary = RunBatch(queue, workers, "800x600", observer);
  EXPECT_EQ(summary.written, 3);
  EXPECT_EQ(ScriptedJob::maxInFlight, 1);
  // With memory to spare, both workers are busy at once.
  queueFiles({"d.jpg", "e.jpg"});
  observer.memoryShort = false;
  RunBatch(queue, workers, "800x600", observer);
  EXPECT_EQ(ScriptedJob::maxInFlight, 2);
}

TEST(DoneText, SecondsPerPhotoInTheShortestForm) {
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(DoneText(2000, 1), "Done.\n(2 seconds per photo)");
  EXPECT_EQ(DoneText(1500, 3), "Done.\n(0.5 seconds per photo)");
  EXPECT_EQ(DoneText(1234, 1), "Done.\n(1.23 seconds per photo)");
  EXPECT_EQ(DoneText(125, 1), "Done.\n(0.12 seconds per photo)");  // 12.5 hundredths to even
  EXPECT_EQ(DoneText(135, 1), "Done.\n(0.14 seconds per photo)");
  EXPECT_EQ(DoneText(3, 1), "Done.\n(0 seconds per photo)");
  EXPECT_EQ(DoneText(700, 0), "Done.\n(0.7 seconds per photo)");  // no photo counts as one
}

TEST(Texts, ResizingNamesTheFileOnly) { EXPECT_EQ(ResizingText("/photos/2007/a.jpg"), "Resizing a.jpg..."); }

// Failures are counted by cause in the order of the causes' numbers, those after the load last.
TEST(Texts, FailuresAreCountedByCause) {
  using corvale::LoadCause;
  BatchSummary summary;
  EXPECT_EQ(FailureCausesText(summary), "");
  for (LoadCause cause : {LoadCause::kTooLargeForItsFile, LoadCause::kNone, LoadCause::kDamaged,
                          LoadCause::kNotAnImage, LoadCause::kDamaged}) {
    PhotoReport report;
    report.cause = cause;
    summary.failures.push_back(report);
  }
  EXPECT_EQ(FailureCausesText(summary), "1 not an image, 2 damaged, 1 too large for its file, 1 not written");
}

TEST(CountWorkers, OneTwoFourOrEight) {
  std::int32_t workers = CountWorkers();
  EXPECT_TRUE(workers == 1 || workers == 2 || workers == 4 || workers == 8) << workers;
  EXPECT_LE(static_cast<unsigned>(workers), std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace
}  // namespace lumivex
