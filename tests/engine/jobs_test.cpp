// The job slots: resampling on threads of their own, polled through the finished flag, and the
// histogram and presence check that sit beside them. Run under ThreadSanitizer by scripts/test.sh.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "corvale.h"
#include "exports/handles.h"
#include "jobs/job_slots.h"
#include "resample/resample_best.h"
#include "resample_support.h"

namespace {

using corvale::pictureOf;
using resample_testing::OwnedPicture;

// Slot 5 is used by no other test, so that it is still untouched when this runs.
TEST(JobsSlots, UnusedSlotReadsFinished) { EXPECT_EQ(imgResample_isFinished(5), 1); }

TEST(JobsSlots, PresenceCheckAnswersTwo) { EXPECT_EQ(imgResample_testdll(), 2); }

std::vector<std::uint8_t> bytesOf(intptr_t handle) {
  const corvale::Picture& p = *pictureOf(handle);
  return {p.pixels, p.pixels + static_cast<std::size_t>(p.width) * p.height * 4};
}

// Polls like the batch does, for at most a minute.
bool waitUntilFinished(int slot) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!imgResample_isFinished(slot)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

struct Job {
  Job(int sw, int sh, int dw, int dh, int mode, std::uint32_t seed)
      : source(cpic_create(sw, sh)), dest(cpic_create(dw, dh)), expected(dw, dh), mode(mode) {
    resample_testing::fillRandom(*pictureOf(source), seed);
    corvale::resampleBestInto(*pictureOf(source), expected.picture, mode);
  }
  ~Job() {
    cpic_destroy(source);
    cpic_destroy(dest);
  }
  intptr_t source, dest;
  OwnedPicture expected;
  int mode;
};

TEST(JobsSlots, SlotRunsUntilTheResampleIsComplete) {
  Job job(900, 700, 600, 450, 3, 1);  // tens of milliseconds: long enough to be seen running
  EXPECT_EQ(imgResample_Threaded(3, job.source, job.dest, job.mode), 1);  // nice value raised
  EXPECT_EQ(imgResample_isFinished(3), 0);
  ASSERT_TRUE(waitUntilFinished(3));
  EXPECT_EQ(bytesOf(job.dest), job.expected.copy());
}

TEST(JobsSlots, TwoConcurrentJobsEachMatchTheirResample) {
  Job first(900, 700, 300, 200, 2, 2);   // two stages: box, then the spline
  Job second(640, 480, 800, 600, 1, 3);  // an enlargement
  EXPECT_EQ(imgResample_Threaded(0, first.source, first.dest, first.mode), 1);
  EXPECT_NE(imgResample_Threaded2(1, second.source, second.dest, second.mode, "first", "second", "third"), 0);
  ASSERT_TRUE(waitUntilFinished(0));
  ASSERT_TRUE(waitUntilFinished(1));
  EXPECT_EQ(bytesOf(first.dest), first.expected.copy());
  EXPECT_EQ(bytesOf(second.dest), second.expected.copy());
}

TEST(JobsSlots, AllSixteenSlotsAtOnce) {
  std::vector<std::unique_ptr<Job>> jobs;
  for (int slot = 0; slot < 16; ++slot)
    jobs.push_back(std::make_unique<Job>(97 + slot, 61, 31, 23 + slot, slot % 4, slot));
  for (int slot = 0; slot < 16; ++slot) {
    if (slot == 5) continue;  // kept unused for UnusedSlotReadsFinished
    if (slot % 2)
      imgResample_Threaded(slot, jobs[slot]->source, jobs[slot]->dest, jobs[slot]->mode);
    else
      imgResample_Threaded2(slot, jobs[slot]->source, jobs[slot]->dest, jobs[slot]->mode, nullptr, "", "x");
  }
  for (int slot = 0; slot < 16; ++slot) {
    if (slot == 5) continue;
    ASSERT_TRUE(waitUntilFinished(slot)) << slot;
    EXPECT_EQ(bytesOf(jobs[slot]->dest), jobs[slot]->expected.copy()) << slot;
  }
}

TEST(JobsSlots, SlotsOutsideTheRangeAreRefused) {
  intptr_t source = cpic_create(20, 20), dest = cpic_create(10, 10);
  resample_testing::fillRandom(*pictureOf(source), 4);
  const std::vector<std::uint8_t> before = bytesOf(dest);
  for (int slot : {-1, 16, 1000, INT32_MIN}) {
    EXPECT_EQ(imgResample_Threaded(slot, source, dest, 1), 0) << slot;
    EXPECT_EQ(imgResample_Threaded2(slot, source, dest, 1, "a", "b", "c"), 0) << slot;
    EXPECT_EQ(imgResample_isFinished(slot), 1) << slot;  // nothing can run there
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(bytesOf(dest), before);
  EXPECT_EQ(imgResample_Threaded(2, 0, dest, 1), 0);  // no picture: nothing to run
  EXPECT_EQ(imgResample_isFinished(2), 1);
  cpic_destroy(source);
  cpic_destroy(dest);
}

// Texts shorter than 256 bytes are kept up to their end and never read past it (the sanitizer
// build would see an overread of these short heap copies).
TEST(JobsSlots, ShortTextsAreNotOverread) {
  intptr_t source = cpic_create(8, 8), dest = cpic_create(4, 4);
  const std::string a = "a", b;
  std::vector<char> unterminated(256, 'z');
  EXPECT_NE(imgResample_Threaded2(4, source, dest, 0, a.c_str(), b.c_str(), unterminated.data()), 0);
  ASSERT_TRUE(waitUntilFinished(4));
  cpic_destroy(source);
  cpic_destroy(dest);
}

// When no thread can be created the slot does not stay running for ever.
TEST(JobsSlots, ThreadThatCannotBeCreatedLeavesTheSlotFinished) {
  OwnedPicture source(20, 20), dest(10, 10);
  resample_testing::fillRandom(dest.picture, 6);
  const std::vector<std::uint8_t> before = dest.copy();
  auto noThread = [](std::function<void()>) -> std::uintptr_t { return 0; };
  const corvale::JobStart start =
      corvale::startResampleJob(6, {&source.picture, &dest.picture, 2, true, nullptr}, noThread);
  EXPECT_FALSE(start.running);
  EXPECT_EQ(imgResample_isFinished(6), 1);
  EXPECT_EQ(dest.copy(), before);
}

// Some systems refuse a thread a lower priority; the job then runs at normal priority, and the
// first entry still answers that it started.
TEST(JobsSlots, RefusedPriorityStillRunsTheJobAndAnswersStarted) {
  Job job(300, 200, 130, 90, 2, 7);
  auto refuse = [] { return false; };
  EXPECT_EQ(corvale::startFirstEntry(7, pictureOf(job.source), pictureOf(job.dest), job.mode,
                                     corvale::launchDetachedThread, refuse),
            1);
  ASSERT_TRUE(waitUntilFinished(7));
  EXPECT_EQ(bytesOf(job.dest), job.expected.copy());
  auto noThread = [](std::function<void()>) -> std::uintptr_t { return 0; };
  EXPECT_EQ(
      corvale::startFirstEntry(7, pictureOf(job.source), pictureOf(job.dest), job.mode, noThread, refuse), 0);
}

// A source so wide and tall that its halved intermediate exceeds what a picture may hold, while the
// target itself is small. The reduction never reads the source's pixels, so a small buffer stands
// in for them.
struct UnreducibleSource {
  UnreducibleSource() : pixels(64), dest(39000, 100) {
    source.pixels = pixels.data();
    source.width = 80000;  // factor 2: the intermediate would be 40000 x 15000 pixels, over 2 GiB
    source.height = 30000;
  }
  std::vector<std::uint8_t> pixels;
  corvale::Picture source;
  OwnedPicture dest;
};

// A job that cannot do its work says so with an empty destination, not with a black picture that
// the photo job would write as done.
TEST(JobsSlots, JobWhoseIntermediateCannotBeHadLeavesTheDestinationEmpty) {
  UnreducibleSource direct;
  EXPECT_FALSE(corvale::resampleBestInto(direct.source, direct.dest.picture, 2));

  UnreducibleSource threaded;
  ASSERT_FALSE(threaded.dest.picture.empty());
  EXPECT_EQ(corvale::startFirstEntry(8, &threaded.source, &threaded.dest.picture, 2), 1);
  ASSERT_TRUE(waitUntilFinished(8));
  EXPECT_TRUE(threaded.dest.picture.empty());
  EXPECT_EQ(threaded.dest.picture.width, 0);
  EXPECT_EQ(threaded.dest.picture.height, 0);
}

TEST(JobsHistogram, CountsEveryPixelAndAccumulates) {
  intptr_t picture = cpic_create(2, 1);
  std::uint8_t* p = pictureOf(picture)->pixels;
  const std::uint8_t pixels[8] = {10, 20, 30, 0, 10, 20, 31, 0};  // blue, green, red, fourth
  std::memcpy(p, pixels, 8);
  std::vector<float> red(256, 0.0f), green(256, 0.0f), blue(256, 0.0f);
  const int32_t size[4] = {0, 0, 2, 1};
  const intptr_t dc = cpic_getHDC(picture), bitmap = reinterpret_cast<intptr_t>(pictureOf(picture)->bitmap);
  imgCalcHist(size, dc, bitmap, red.data(), green.data(), blue.data());
  EXPECT_EQ(red[30], 1.0f);
  EXPECT_EQ(red[31], 1.0f);
  EXPECT_EQ(green[20], 2.0f);
  EXPECT_EQ(blue[10], 2.0f);
  float total = 0.0f;
  for (int i = 0; i < 256; ++i) total += red[i] + green[i] + blue[i];
  EXPECT_EQ(total, 6.0f);

  imgCalcHist(size, dc, bitmap, red.data(), green.data(), blue.data());  // counts are not cleared
  EXPECT_EQ(green[20], 4.0f);

  const int32_t nothing[4] = {0, 0, 0, 1};
  imgCalcHist(nothing, dc, bitmap, red.data(), green.data(), blue.data());
  imgCalcHist(size, dc, bitmap, nullptr, green.data(), blue.data());
  imgCalcHist(nullptr, dc, bitmap, red.data(), green.data(), blue.data());
  EXPECT_EQ(green[20], 4.0f);
  cpic_destroy(picture);
}

// A size record larger than the bitmap counts only the rows the bitmap delivers.
TEST(JobsHistogram, CountsOnlyDeliveredRows) {
  intptr_t picture = cpic_create(2, 1);
  std::vector<float> red(256, 0.0f), green(256, 0.0f), blue(256, 0.0f);
  const int32_t size[4] = {0, 0, 2, 50};
  imgCalcHist(size, cpic_getHDC(picture), reinterpret_cast<intptr_t>(pictureOf(picture)->bitmap), red.data(),
              green.data(), blue.data());
  EXPECT_EQ(red[0], 2.0f);
  cpic_destroy(picture);
}

}  // namespace
