// The table-driven resampler against the direct formulas, byte for byte, on random pictures of
// awkward sizes: single pixels, prime widths, enlargements, strong reductions, strips wider than
// one pass, and the modes outside 0..3. Every variant of the hot loops that this processor runs
// is held to the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resample/resample.h"
#include "resample_support.h"
#include "support/reference_resample.h"

namespace {

using corvale::InstructionSet;
using resample_testing::OwnedPicture;

std::vector<InstructionSet> variantsHere() {
  std::vector<InstructionSet> variants{InstructionSet::kBaseline};
  if (corvale::bestInstructionSet() == InstructionSet::kAvx2) variants.push_back(InstructionSet::kAvx2);
  return variants;
}

const char* nameOf(InstructionSet isa) { return isa == InstructionSet::kAvx2 ? "avx2" : "baseline"; }

struct SizeCase {
  std::int32_t sourceWidth, sourceHeight, destWidth, destHeight;
};

std::string describe(const SizeCase& c, std::int32_t mode) {
  return std::to_string(c.sourceWidth) + "x" + std::to_string(c.sourceHeight) + " -> " +
         std::to_string(c.destWidth) + "x" + std::to_string(c.destHeight) + " mode " + std::to_string(mode);
}

// The engine and the direct formulas fill two destinations from the same source; every byte,
// the untouched fourth ones included, must agree.
void expectSameAsReference(const SizeCase& c, std::int32_t mode, std::uint32_t seed) {
  OwnedPicture source(c.sourceWidth, c.sourceHeight);
  resample_testing::fillRandom(source.picture, seed);
  const std::vector<std::uint8_t> before = source.copy();
  const std::size_t pixels = static_cast<std::size_t>(c.destWidth) * c.destHeight;
  std::vector<std::uint8_t> expected(pixels * 4, 0);
  resample_testing::markFourthBytes(expected.data(), pixels, 0xA5);
  reference::resampleInto(expected.data(), c.destWidth, c.destHeight, before.data(), c.sourceWidth,
                          c.sourceHeight, mode);
  for (InstructionSet isa : variantsHere()) {
    OwnedPicture dest(c.destWidth, c.destHeight);
    resample_testing::markFourthBytes(dest.picture.pixels, pixels, 0xA5);
    corvale::resampleInto(dest.picture, source.picture, mode, isa);
    ASSERT_EQ(dest.copy(), expected) << describe(c, mode) << " " << nameOf(isa);
  }
  ASSERT_EQ(source.copy(), before) << "source changed, " << describe(c, mode);
}

const std::vector<SizeCase> kSizes = {
    {1, 1, 1, 1},     {1, 1, 3, 2},     {2, 2, 4, 4},     {7, 5, 13, 11},  {13, 7, 5, 3},
    {101, 37, 7, 5},  {17, 19, 17, 19}, {31, 1, 8, 1},    {1, 29, 1, 4},   {97, 89, 50, 61},
    {53, 41, 37, 29}, {3, 200, 2, 7},   {211, 9, 19, 23}, {40, 30, 11, 8}, {5, 3, 23, 17},
};

TEST(ResampleReference, EveryModeMatchesTheDirectFormulas) {
  std::uint32_t seed = 1;
  for (std::int32_t mode : {0, 1, 2, 3, 4, -1})
    for (const SizeCase& c : kSizes) expectSameAsReference(c, mode, seed++);
}

// Wide destinations span several strips of columns, the last one partial (a strip holds fewer
// columns the more taps a window has).
TEST(ResampleReference, WideDestinationsMatchAcrossStrips) {
  expectSameAsReference({700, 3, 661, 2}, 3, 11);
  expectSameAsReference({1500, 4, 1301, 3}, 2, 12);
  expectSameAsReference({3001, 40, 100, 2}, 0, 13);
  expectSameAsReference({50, 2, 6007, 2}, 1, 14);
}

struct StepCase {
  std::int32_t destWidth, destHeight, xOffset, yOffset;
  float xStep, yStep;
  std::int32_t sourceWidth, sourceHeight;
};

void expectStepsSameAsReference(const StepCase& c, std::int32_t mode, std::uint32_t seed) {
  const std::vector<std::uint8_t> source =
      resample_testing::randomBytes(static_cast<std::size_t>(c.sourceWidth) * c.sourceHeight * 4, seed);
  const std::vector<std::uint8_t> start =
      resample_testing::randomBytes(static_cast<std::size_t>(c.destWidth) * c.destHeight * 4, seed + 1);
  std::vector<std::uint8_t> expected = start;
  reference::imgResample(c.destWidth, c.destHeight, c.xOffset, c.yOffset, c.xStep, c.yStep, c.sourceWidth,
                         c.sourceHeight, mode, source.data(), expected.data());
  for (InstructionSet isa : variantsHere()) {
    std::vector<std::uint8_t> actual = start;
    corvale::resampleWithSteps(c.destWidth, c.destHeight, c.xOffset, c.yOffset, c.xStep, c.yStep,
                               c.sourceWidth, c.sourceHeight, mode, source.data(), actual.data(), isa);
    ASSERT_EQ(actual, expected) << c.destWidth << "x" << c.destHeight << " offsets " << c.xOffset << ","
                                << c.yOffset << " steps " << c.xStep << "," << c.yStep << " mode " << mode
                                << " " << nameOf(isa);
  }
}

TEST(ResampleReference, StepsAndOffsetsMatchTheDirectFormulas) {
  const std::vector<StepCase> cases = {
      {5, 4, 0, 0, 1.0f, 1.0f, 5, 4},       {9, 7, 2, -3, 0.7f, 1.3f, 11, 13},
      {13, 11, -4, 5, 2.5f, 0.35f, 29, 17}, {20, 3, 10, 0, 1.0f, 1.0f, 31, 3},
      {7, 9, 3, 2, -1.5f, 2.0f, 19, 23},    {6, 6, 0, 0, 3.0f, 3.0f, 17, 19},
      {8, 5, -2, -1, 100.0f, 0.5f, 37, 7},  {4, 4, 0, 0, 0.0f, 0.0f, 3, 3},
      {11, 2, 1, 0, 1.1f, 1.0f, 1, 1},
  };
  std::uint32_t seed = 100;
  for (std::int32_t mode : {0, 1, 2, 3, 5, -1})
    for (const StepCase& c : cases) expectStepsSameAsReference(c, mode, seed += 2);
}

}  // namespace
