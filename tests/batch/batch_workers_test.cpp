// The batch with real photo jobs on several workers against the same batch on one: every photo
// is loaded, turned, resized and encoded on its job's own thread, and however the jobs interleave
// each output must be byte for byte the one a single worker writes. Also run under
// ThreadSanitizer (scripts/test.sh) for the hand-over between the job threads and the loop.
#include <gtest/gtest.h>

#include <filesystem>

#include "batch/batch_run.h"
#include "output/destination_folder.h"
#include "settings/settings.h"
#include "photo_job_files.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

namespace fs = std::filesystem;

class QuietObserver : public BatchObserver {
 public:
  void showStatus(const std::string&) override {}
  void drawProgress(double) override {}
  void photoEnded(const PhotoReport& report) override {
    if (report.outcome != PhotoOutcome::Written) failures.push_back(report.source + ": " + report.reason);
  }
  bool memoryIsShort(std::int64_t) override { return false; }

  std::vector<std::string> failures;
};

// Appends the `count` low bits of `code` to a GIF code stream (least significant bit first).
void appendCode(std::vector<std::uint8_t>& stream, int& bitsUsed, unsigned code, int count) {
  for (int i = 0; i < count; ++i, ++bitsUsed) {
    if (bitsUsed % 8 == 0) stream.push_back(0);
    if (code >> i & 1) stream.back() |= static_cast<std::uint8_t>(1 << (bitsUsed % 8));
  }
}

// An 8 x 6 GIF of four colours in diagonal stripes. Its LZW stream sends a clear code before
// every second pixel, so the code width stays at three bits and no string table is needed.
void writeStripedGif(const std::string& path) {
  constexpr int kWidth = 8, kHeight = 6, kClear = 4, kEnd = 5;
  std::vector<std::uint8_t> bytes = {'G', 'I', 'F', '8', '9', 'a', kWidth, 0, kHeight, 0, 0x81, 0, 0};
  for (std::uint8_t c : {200, 30, 30, 30, 160, 40, 20, 40, 220, 250, 250, 250}) bytes.push_back(c);
  for (std::uint8_t b : {0x2C, 0, 0, 0, 0, kWidth, 0, kHeight, 0, 0, 2}) bytes.push_back(b);
  std::vector<std::uint8_t> codes;
  int bitsUsed = 0;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    if (i % 2 == 0) appendCode(codes, bitsUsed, kClear, 3);
    appendCode(codes, bitsUsed, static_cast<unsigned>((i % kWidth + i / kWidth) % 4), 3);
  }
  appendCode(codes, bitsUsed, kEnd, 3);
  bytes.push_back(static_cast<std::uint8_t>(codes.size()));  // one sub-block: under 255 bytes
  bytes.insert(bytes.end(), codes.begin(), codes.end());
  for (std::uint8_t b : {0, 0x3B}) bytes.push_back(b);
  testing_support::writeBytes(path, bytes);
}

class BatchWorkersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = settings;
    settings = Settings{};
    settings.DestinationMode = DestinationMode::FixedFolder;
    settings.OverwriteMode = OverwriteMode::Always;
    settings.RotationMode = RotationMode::ByExif;  // by Exif: the portraits are turned on the job's thread
    settings.CopyExif = true;
  }
  void TearDown() override { settings = saved; }

  std::vector<std::string> sources() {
    std::vector<std::string> paths;
    for (const char* photo :
         {"cameras/jolla.jpg", "cameras/canon_hdr_YES.jpg", "cameras/fujifilm-dx10.jpg",
          "cameras/kodak-dc240.jpg", "cameras/nikon-e950.jpg", "orientation/portrait_6.jpg",
          "orientation/landscape_3.jpg", "orientation/portrait_8.jpg"})
      paths.push_back(testing_support::samplePhoto(photo));
    paths.push_back(dir.file("gradient.bmp"));
    testing_support::writeGradientBmp(paths.back(), 301, 207);
    paths.push_back(dir.file("stripes.gif"));
    writeStripedGif(paths.back());
    return paths;
  }

  // Runs the whole list with `workerCount` workers into a folder of its own; the folder.
  fs::path runWith(int workerCount, const std::vector<std::string>& paths, const std::string& size) {
    fs::path folder = dir.path() / ("workers" + std::to_string(workerCount) + "_" + size);
    settings.FixedFolder = folder.string() + "/";
    PendingFiles queue;
    for (const std::string& path : paths) queue.append({path, ""});
    QuietObserver observer;
    Workers workers = CreateWorkers(workerCount);
    BatchSummary summary = RunBatch(queue, workers, size, observer);
    EXPECT_TRUE(observer.failures.empty()) << observer.failures.front();
    EXPECT_EQ(summary.written, static_cast<std::int32_t>(paths.size()));
    return folder;
  }

  Settings saved;
  testing_support::TempDir dir;
};

TEST_F(BatchWorkersTest, SeveralWorkersWriteWhatOneWorkerWrites) {
  std::vector<std::string> paths = sources();
  // A reduction (the two-stage box path for the large photos) and an enlargement of the small ones.
  for (const char* size : {"160x120", "640x480"}) {
    SCOPED_TRACE(size);
    fs::path one = runWith(1, paths, size);
    std::vector<fs::path> outputs;
    for (const auto& entry : fs::directory_iterator(one)) outputs.push_back(entry.path().filename());
    ASSERT_EQ(outputs.size(), paths.size());
    for (int workerCount : {2, 4}) {
      fs::path many = runWith(workerCount, paths, size);
      for (const fs::path& name : outputs) {
        std::vector<std::uint8_t> expected = testing_support::readBytes((one / name).string());
        EXPECT_GT(testing_support::jpegSize((one / name).string()).width, 0) << name;
        EXPECT_TRUE(testing_support::readBytes((many / name).string()) == expected)
            << name << " differs with " << workerCount << " workers";
      }
    }
  }
}

}  // namespace
}  // namespace lumivex
