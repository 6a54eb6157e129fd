// Two-stage best-quality resampling: the plan (when to reduce by a box first, by which factor, to
// which intermediate size), its results against the direct formulas, and the picture exports.
#include "resample/resample_best.h"

#include <gtest/gtest.h>

#include <vector>

#include "corvale.h"
#include "exports/handles.h"
#include "resample/resample.h"
#include "resample_support.h"
#include "support/reference_resample.h"

namespace {

using resample_testing::OwnedPicture;

struct Plan {
  bool twoStage;
  int factor, width, height;
  bool intermediateIsTarget;
};

Plan plan(int sw, int sh, int tw, int th) {
  corvale::ReductionPlan p = corvale::planReduction(sw, sh, tw, th);
  if (!p.twoStage) return {false, 0, 0, 0, false};
  return {true, p.factor, p.width, p.height, p.intermediateIsTarget};
}

void expectPlan(const Plan& actual, const Plan& expected) {
  EXPECT_EQ(actual.twoStage, expected.twoStage);
  EXPECT_EQ(actual.factor, expected.factor);
  EXPECT_EQ(actual.width, expected.width);
  EXPECT_EQ(actual.height, expected.height);
  EXPECT_EQ(actual.intermediateIsTarget, expected.intermediateIsTarget);
}

TEST(ResampleBest, PlansFollowTheWidthRatio) {
  expectPlan(plan(4000, 3000, 800, 600), {true, 5, 800, 600, true});
  expectPlan(plan(4000, 3000, 1024, 768), {true, 3, 1333, 1000, false});
  expectPlan(plan(1000, 1000, 500, 500), {false, 0, 0, 0, false});    // exactly half: one pass
  expectPlan(plan(1000, 800, 400, 800), {true, 2, 500, 400, false});  // only the width decides
  expectPlan(plan(640, 480, 1280, 960), {false, 0, 0, 0, false});     // an enlargement
  expectPlan(plan(5120, 2880, 1024, 768), {true, 5, 1024, 576, false});
  expectPlan(plan(5120, 2880, 800, 600), {true, 6, 853, 480, false});
}

// A picture fewer rows high than the factor keeps one intermediate row instead of none.
TEST(ResampleBest, ThinPicturesKeepAnIntermediateRow) {
  expectPlan(plan(1000, 2, 100, 1), {true, 10, 100, 1, true});
  expectPlan(plan(1000, 3, 90, 2), {true, 11, 90, 1, false});
}

std::vector<std::uint8_t> directPass(const std::vector<std::uint8_t>& source, int sw, int sh, int dw, int dh,
                                     int mode) {
  std::vector<std::uint8_t> dest(static_cast<std::size_t>(dw) * dh * 4, 0);
  reference::resampleInto(dest.data(), dw, dh, source.data(), sw, sh, mode);
  return dest;
}

struct BestCase {
  int sw, sh, dw, dh;
};

// resampleBestInto and cpic_resizebest against the plan carried out with the direct formulas. When
// the box alone reaches the target, the job's fill does one box pass while the export keeps the
// caller's filter.
TEST(ResampleBest, ResultsMatchTheDirectFormulas) {
  std::uint32_t seed = 40;
  for (const BestCase& c : {BestCase{40, 30, 8, 6}, BestCase{40, 30, 11, 8}, BestCase{50, 40, 20, 40},
                            BestCase{20, 20, 10, 10}, BestCase{7, 5, 15, 11}, BestCase{97, 3, 9, 2}})
    for (int mode : {0, 1, 2, 3}) {
      OwnedPicture source(c.sw, c.sh);
      resample_testing::fillRandom(source.picture, ++seed);
      const std::vector<std::uint8_t> pixels = source.copy();
      const corvale::ReductionPlan p = corvale::planReduction(c.sw, c.sh, c.dw, c.dh);
      std::vector<std::uint8_t> forJob, forExport;
      if (!p.twoStage) {
        forJob = forExport = directPass(pixels, c.sw, c.sh, c.dw, c.dh, mode);
      } else if (p.intermediateIsTarget) {
        forJob = directPass(pixels, c.sw, c.sh, c.dw, c.dh, 0);
        forExport = directPass(pixels, c.sw, c.sh, c.dw, c.dh, mode);
      } else {
        std::vector<std::uint8_t> intermediate = directPass(pixels, c.sw, c.sh, p.width, p.height, 0);
        forJob = forExport = directPass(intermediate, p.width, p.height, c.dw, c.dh, mode);
      }

      OwnedPicture dest(c.dw, c.dh);
      corvale::resampleBestInto(source.picture, dest.picture, mode);
      EXPECT_EQ(dest.copy(), forJob) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << " mode "
                                     << mode;

      intptr_t result = cpic_resizebest(corvale::handleOf(&source.picture), c.dw, c.dh, mode);
      ASSERT_EQ(cpic_getWidth(result), c.dw);
      const corvale::Picture& r = *corvale::pictureOf(result);
      EXPECT_EQ(std::vector<std::uint8_t>(r.pixels, r.pixels + forExport.size()), forExport)
          << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << " mode " << mode;
      EXPECT_EQ(source.copy(), pixels);
      cpic_destroy(result);
    }
}

TEST(ResampleBest, ResizedPictureOutlivesItsSource) {
  intptr_t source = cpic_create(30, 20);
  resample_testing::fillRandom(*corvale::pictureOf(source), 77);
  intptr_t resized = cpic_resize(source, 13, 9, 2);
  intptr_t best = cpic_resizebest(source, 7, 5, 3);
  OwnedPicture expected(13, 9);
  corvale::resampleInto(expected.picture, *corvale::pictureOf(source), 2);
  cpic_destroy(source);
  ASSERT_EQ(cpic_getWidth(resized), 13);
  ASSERT_EQ(cpic_getHeight(resized), 9);
  ASSERT_NE(cpic_getHDC(resized), 0);
  const corvale::Picture& r = *corvale::pictureOf(resized);
  EXPECT_EQ(std::vector<std::uint8_t>(r.pixels, r.pixels + 13 * 9 * 4), expected.copy());
  EXPECT_EQ(cpic_getWidth(best), 7);
  cpic_destroy(resized);
  cpic_destroy(best);
}

TEST(ResampleBest, UnusableSizesGiveEmptyPictures) {
  intptr_t source = cpic_create(30, 20);
  for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}}) {
    for (intptr_t result : {cpic_resize(source, w, h, 2), cpic_resizebest(source, w, h, 2)}) {
      EXPECT_EQ(cpic_getWidth(result), 0);
      cpic_destroy(result);
    }
  }
  intptr_t fromNothing = cpic_resizebest(0, 4, 4, 1);  // no source: a black picture
  ASSERT_EQ(cpic_getWidth(fromNothing), 4);
  const corvale::Picture& r = *corvale::pictureOf(fromNothing);
  for (int i = 0; i < 4 * 4 * 4; ++i) EXPECT_EQ(r.pixels[i], 0);
  cpic_destroy(fromNothing);
  cpic_destroy(source);
}

// When the intermediate picture of the two stages cannot be had, the result is empty rather than a
// black picture of the requested size. The source is so large that its halved intermediate exceeds
// what a picture may hold; the reduction stops before it reads the source's pixels, so a small
// buffer stands in for them.
TEST(ResampleBest, IntermediateThatCannotBeHadGivesAnEmptyPicture) {
  std::vector<std::uint8_t> pixels(64);
  corvale::Picture source;
  source.pixels = pixels.data();
  source.width = 80000;  // factor 2: the intermediate would be 40000 x 15000 pixels, over 2 GiB
  source.height = 30000;
  const intptr_t result = cpic_resizebest(corvale::handleOf(&source), 39000, 100, 2);
  EXPECT_EQ(cpic_getWidth(result), 0);
  EXPECT_EQ(cpic_getHeight(result), 0);
  EXPECT_EQ(cpic_getHDC(result), 0);
  cpic_destroy(result);
}

}  // namespace
