// One CWorker in this process, with the real engine through its binding and the real encoder:
// failures end the job with a reason, the overwrite question and the orientation note go through
// the prompts, and a worker is idle again after every job.
#include "batch/photo_job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "output/destination_folder.h"
#include "settings/settings.h"
#include "photo_job_files.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

namespace fs = std::filesystem;
using testing_support::jpegSize;

class PhotoJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = settings;
    settings = Settings{};
    settings.DestinationMode = DestinationMode::SourceFolder;
  }
  void TearDown() override { settings = saved; }

  // Runs one job to its end and hands back its report.
  PhotoReport resize(const std::string& path, std::int32_t width, std::int32_t height,
                     float percentage = 0.0f) {
    worker.ResizePicture_Start(3, path, width, height, percentage, "");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!worker.isFinished() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    PhotoReport report;
    EXPECT_TRUE(worker.takeReport(report));
    EXPECT_FALSE(worker.takeReport(report)) << "a report is handed out once";
    EXPECT_TRUE(worker.isFinished());
    return report;
  }

  std::string copyOf(const std::string& sample, const std::string& name) {
    fs::copy_file(testing_support::samplePhoto(sample), dir.path() / name);
    return dir.file(name);
  }

  Settings saved;
  testing_support::TempDir dir;
  testing_support::ScriptedPrompts prompts;
  CWorker worker;
};

TEST_F(PhotoJobTest, ANewWorkerIsIdle) {
  EXPECT_TRUE(worker.isFinished());
  PhotoReport report;
  EXPECT_FALSE(worker.takeReport(report));
  EXPECT_EQ(worker.FileN, "");
}

TEST_F(PhotoJobTest, WritesTheFittedPictureBesideTheSource) {
  std::string source = copyOf("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  PhotoReport report = resize(source, 200, 200);
  EXPECT_EQ(report.outcome, PhotoOutcome::Written) << report.reason;
  EXPECT_EQ(report.source, source);
  EXPECT_EQ(report.outputPath, dir.file("a_200x150.jpg"));
  EXPECT_EQ(jpegSize(report.outputPath), (PictureSize{200, 150}));
  EXPECT_EQ(worker.FileN, source);
  EXPECT_EQ(worker.baseDir, dir.path().string() + "/");
}

TEST_F(PhotoJobTest, APercentageAndZeroSides) {
  testing_support::writeGradientBmp(dir.file("p.bmp"), 31, 21);
  // 50% of 31 x 21 asks for 16 x 10 (15.5 and 10.5 to even); fitting keeps the aspect: 15 x 10.
  EXPECT_EQ(jpegSize(resize(dir.file("p.bmp"), 0, 0, 50.0f).outputPath), (PictureSize{15, 10}));
  // A zero side keeps the source size.
  EXPECT_EQ(jpegSize(resize(dir.file("p.bmp"), 0, 600).outputPath), (PictureSize{31, 21}));
}

TEST_F(PhotoJobTest, AnUndecodableSourceEndsTheJobWithAReason) {
  testing_support::writeBytes(dir.file("broken.jpg"), {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'});
  PhotoReport report = resize(dir.file("broken.jpg"), 200, 200);
  EXPECT_EQ(report.outcome, PhotoOutcome::Failed);
  EXPECT_NE(report.reason.find("cannot be read as an image"), std::string::npos) << report.reason;
  EXPECT_EQ(worker.FileN, dir.file("broken.jpg"));
  // The worker goes on with the next photo.
  std::string good = copyOf("cameras/canon-ixus.jpg", "good.jpg");
  EXPECT_EQ(resize(good, 64, 48).outcome, PhotoOutcome::Written);
  EXPECT_EQ(testing_support::readBytes(dir.file("broken.jpg")).size(), 10u);
}

TEST_F(PhotoJobTest, TheOverwriteQuestionDecides) {
  std::string source = copyOf("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  std::string output = dir.file("a_64x48.jpg");
  testing_support::writeBytes(output, {'o', 'l', 'd'});
  prompts.answerOverwrite(OverwriteAnswer::No);
  PhotoReport kept = resize(source, 64, 64);
  EXPECT_EQ(kept.outcome, PhotoOutcome::KeptExisting);
  EXPECT_EQ(testing_support::readBytes(output).size(), 3u);
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0], "File a_64x48.jpg already exists, do you want to overwrite it?\n" + output);
  prompts.answerOverwrite(OverwriteAnswer::Yes);
  EXPECT_EQ(resize(source, 64, 64).outcome, PhotoOutcome::Written);
  EXPECT_EQ(jpegSize(output), (PictureSize{64, 48}));
}

TEST_F(PhotoJobTest, NeverAndAlwaysOverwriteAskNothing) {
  std::string source = copyOf("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  std::string output = dir.file("a_64x48.jpg");
  testing_support::writeBytes(output, {'o', 'l', 'd'});
  settings.OverwriteMode = OverwriteMode::Never;
  EXPECT_EQ(resize(source, 64, 64).outcome, PhotoOutcome::KeptExisting);
  EXPECT_EQ(testing_support::readBytes(output).size(), 3u);
  settings.OverwriteMode = OverwriteMode::Always;
  EXPECT_EQ(resize(source, 64, 64).outcome, PhotoOutcome::Written);
  EXPECT_EQ(jpegSize(output), (PictureSize{64, 48}));
  EXPECT_TRUE(prompts.questions.empty());
}

// Every valid orientation is turned; a value outside 1..8 (written here by exiftool) gets the note.
TEST_F(PhotoJobTest, AnOrientationOutsideTheEightGivesANote) {
  settings.RotationMode = RotationMode::ByExif;
  std::string mirrored = copyOf("orientation/landscape_2.jpg", "mirrored.jpg");
  EXPECT_EQ(resize(mirrored, 60, 60).outcome, PhotoOutcome::Written);
  EXPECT_TRUE(prompts.notices.empty());
  std::string odd = copyOf("orientation/landscape_2.jpg", "odd.jpg");
  if (std::system(("exiftool -q -n -Orientation=9 -overwrite_original '" + odd + "'").c_str()) != 0)
    GTEST_SKIP() << "exiftool is not installed";
  PhotoReport report = resize(odd, 60, 60);
  EXPECT_EQ(report.outcome, PhotoOutcome::Written) << report.reason;
  EXPECT_EQ(prompts.notices,
            std::vector<std::string>{"Note: Image was not rotated, orientation 9 is not yet supported."});
}

TEST_F(PhotoJobTest, RotationModeTwoTurnsPortraitsClockwise) {
  settings.RotationMode = RotationMode::ToLandscape;
  testing_support::writeGradientBmp(dir.file("tall.bmp"), 30, 40);
  EXPECT_EQ(jpegSize(resize(dir.file("tall.bmp"), 80, 80).outputPath), (PictureSize{80, 60}));
  settings.RotationMode = RotationMode::None;
  EXPECT_EQ(jpegSize(resize(dir.file("tall.bmp"), 80, 80).outputPath), (PictureSize{60, 80}));
}

TEST_F(PhotoJobTest, ABareFileNameKeepsItsSubfolderInTheCurrentFolder) {
  settings.DestinationMode = DestinationMode::Subfolder;
  copyOf("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  PhotoReport report = resize("a.jpg", 64, 64);
  fs::current_path(previous);
  EXPECT_EQ(report.outcome, PhotoOutcome::Written) << report.reason;
  EXPECT_EQ(jpegSize(dir.file("resized/a_64x48.jpg")), (PictureSize{64, 48}));
}

TEST_F(PhotoJobTest, AnUnknownDestinationModeWritesNothing) {
  settings.DestinationMode = static_cast<DestinationMode>(7);
  std::string source = copyOf("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  PhotoReport report = resize(source, 64, 64);
  EXPECT_EQ(report.outcome, PhotoOutcome::Failed);
  EXPECT_NE(report.reason.find("destination mode 7"), std::string::npos) << report.reason;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace lumivex
