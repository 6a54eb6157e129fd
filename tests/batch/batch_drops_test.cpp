// Files dropped on a running batch, with real photo jobs (engine and encoder) on several workers:
// whatever the moment of the drop, every file is resized exactly once and none is left out.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "batch/batch_run.h"
#include "output/destination_folder.h"
#include "settings/settings.h"
#include "photo_job_files.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

namespace fs = std::filesystem;

// Drops the next group of files at given calls of processEvents, counting how often each photo
// ended.
class DroppingObserver : public BatchObserver {
 public:
  DroppingObserver(PendingFiles& queue, std::map<int, std::vector<std::string>> drops)
      : queue_(queue), drops_(std::move(drops)) {}
  void showStatus(const std::string&) override {}
  void drawProgress(double) override {}
  void pause(int) override {}
  void processEvents() override {
    auto group = drops_.find(++calls_);
    if (group == drops_.end()) return;
    for (const std::string& path : group->second) queue_.append({path, ""});
  }
  void photoEnded(const PhotoReport& report) override {
    ++ended[report.source];
    if (report.outcome != PhotoOutcome::Written) failures.push_back(report.source + ": " + report.reason);
  }
  bool memoryIsShort(std::int64_t) override { return false; }
  bool allDropped() const { return calls_ >= drops_.rbegin()->first; }

  std::map<std::string, int> ended;
  std::vector<std::string> failures;

 private:
  PendingFiles& queue_;
  std::map<int, std::vector<std::string>> drops_;
  int calls_ = 0;
};

class BatchDropsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = settings;
    settings = Settings{};
    settings.DestinationMode = DestinationMode::SourceFolder;
    settings.OverwriteMode = OverwriteMode::Never;  // never: a second job for one photo would show as "kept"
  }
  void TearDown() override { settings = saved; }

  std::vector<std::string> photos(const std::string& prefix, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      paths.push_back(dir.file(prefix + std::to_string(i) + ".bmp"));
      testing_support::writeGradientBmp(paths.back(), 64, 48);
    }
    return paths;
  }

  Settings saved;
  testing_support::TempDir dir;
};

// Three workers and two queued photos: the third worker meets an empty queue on the first pass,
// and then files are dropped at the queue's end at several moments (right after a start, while
// the workers are busy, in the middle of later passes).
TEST_F(BatchDropsTest, EveryDroppedFileIsResizedExactlyOnce) {
  for (int dropCall : {1, 2, 3, 4}) {
    SCOPED_TRACE("drops at processEvents call " + std::to_string(dropCall));
    PendingFiles queue;
    std::string tag = "c" + std::to_string(dropCall) + "_";
    for (const std::string& path : photos(tag + "q", 2)) queue.append({path, ""});
    std::vector<std::string> first = photos(tag + "d", 3), second = photos(tag + "e", 2);
    DroppingObserver observer(queue, {{dropCall, first}, {dropCall + 1, second}});
    Workers workers = CreateWorkers(3);

    BatchSummary summary = RunBatch(queue, workers, "32x24", observer);
    // What the run did not serve (dropped while it waited for its last jobs) the next run does.
    if (queue.count() > 0) RunBatch(queue, workers, "32x24", observer);

    ASSERT_TRUE(observer.allDropped());
    EXPECT_TRUE(observer.failures.empty()) << observer.failures.front();
    EXPECT_EQ(queue.count(), 0);
    EXPECT_GT(summary.photos, 0);
    for (const auto& list : {first, second})
      for (const std::string& path : list) {
        EXPECT_EQ(observer.ended[path], 1) << path;
        std::string output = path.substr(0, path.size() - 4) + "_32x24.jpg";
        EXPECT_EQ(testing_support::jpegSize(output).width, 32) << output;
      }
    EXPECT_EQ(observer.ended.size(), 7u);
  }
}

// Re-running over existing outputs with the "Ask" policy: "Yes to All" answers every later
// question of the run, and Cancel ends the run after the photo in flight, dropping the rest.
TEST_F(BatchDropsTest, TheOverwriteQuestionAnswersForAllOrEndsTheRun) {
  settings.OverwriteMode = OverwriteMode::Ask;
  std::vector<std::string> sources = photos("p", 4);
  for (const std::string& source : sources)
    testing_support::writeBytes(source.substr(0, source.size() - 4) + "_32x24.jpg", {'o', 'l', 'd'});
  auto runAll = [&] {
    PendingFiles queue;
    for (const std::string& source : sources) queue.append({source, ""});
    DroppingObserver observer(queue, {{1000, {}}});
    Workers workers = CreateWorkers(1);
    RunBatch(queue, workers, "32x24", observer);
    return queue.count();
  };
  testing_support::ScriptedPrompts prompts;
  prompts.answerOverwrite(OverwriteAnswer::Cancel);
  EXPECT_EQ(runAll(), 0) << "the photos not started are dropped";
  EXPECT_EQ(prompts.questions.size(), 1u);
  for (const std::string& source : sources)
    EXPECT_EQ(testing_support::readBytes(source.substr(0, source.size() - 4) + "_32x24.jpg").size(), 3u);

  prompts.questions.clear();
  prompts.answerOverwrite(OverwriteAnswer::YesToAll);
  runAll();
  EXPECT_EQ(prompts.questions.size(), 1u);
  for (const std::string& source : sources)
    EXPECT_EQ(testing_support::jpegSize(source.substr(0, source.size() - 4) + "_32x24.jpg").width, 32);
}

// Counters follow the queue even when a later photo is done first: a large photo first, small ones
// after it, three workers, one fixed folder.
TEST_F(BatchDropsTest, CountersFollowTheQueueWhicheverPhotoIsDoneFirst) {
  settings.DestinationMode = DestinationMode::FixedFolder;
  settings.FixedFolder = dir.file("out");
  settings.OutputFilenamePattern = "img_%N2%";
  PendingFiles queue;
  std::vector<std::int32_t> widths = {1600, 40, 48, 56, 64};
  for (std::size_t i = 0; i < widths.size(); ++i) {
    std::string path = dir.file("p" + std::to_string(i) + ".bmp");
    testing_support::writeGradientBmp(path, widths[i], 24);
    queue.append({path, ""});
  }
  DroppingObserver observer(queue, {{1000, {}}});
  Workers workers = CreateWorkers(3);
  RunBatch(queue, workers, "No Resize", observer);
  for (std::size_t i = 0; i < widths.size(); ++i)
    EXPECT_EQ(testing_support::jpegSize(dir.file("out/img_0" + std::to_string(i + 1) + ".jpg")).width,
              widths[i]);
}

}  // namespace
}  // namespace lumivex
