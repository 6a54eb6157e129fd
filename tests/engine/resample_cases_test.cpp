// Worked cases of single-pass resampling: box averages, bilinear mixing, clamping of the spline
// and Lanczos sums, black for unknown modes and for positions outside the source, and the raw
// buffer variant with its offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "corvale.h"
#include "exports/handles.h"
#include "resample/resample.h"
#include "resample_support.h"

namespace {

using resample_testing::OwnedPicture;

void setPixel(corvale::Picture& p, int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  std::uint8_t* q = corvale::pixelAt(p, x, y);
  q[0] = b, q[1] = g, q[2] = r;
}

std::vector<int> bgr(const corvale::Picture& p, int x, int y) {
  const std::uint8_t* q = corvale::pixelAt(p, x, y);
  return {q[0], q[1], q[2]};
}

void fillUniform(corvale::Picture& p, std::uint8_t value) {
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) setPixel(p, x, y, value, value, value);
}

TEST(ResampleCases, BoxHalvingAveragesEachTwoByTwoBlockAndTruncates) {
  OwnedPicture source(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) setPixel(source.picture, x, y, x + 4 * y, 2 * (x + 4 * y), 255 - (x + 4 * y));
  OwnedPicture dest(2, 2);
  corvale::resampleInto(dest.picture, source.picture, 0);
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i) {
      int sum = 0;
      for (int y = 2 * j; y < 2 * j + 2; ++y)
        for (int x = 2 * i; x < 2 * i + 2; ++x) sum += x + 4 * y;
      // Averages of four values: truncation drops the .5 and .75 fractions.
      EXPECT_EQ(bgr(dest.picture, i, j), (std::vector<int>{sum / 4, 2 * sum / 4, (4 * 255 - sum) / 4}))
          << i << "," << j;
    }
}

TEST(ResampleCases, BilinearDoublingMixesNeighboursAndClampsAtTheEdge) {
  OwnedPicture source(2, 2);
  setPixel(source.picture, 0, 0, 10, 100, 201);
  setPixel(source.picture, 1, 0, 21, 51, 0);
  setPixel(source.picture, 0, 1, 99, 99, 99);
  setPixel(source.picture, 1, 1, 7, 7, 7);
  OwnedPicture dest(4, 4);
  corvale::resampleInto(dest.picture, source.picture, 1);
  EXPECT_EQ(bgr(dest.picture, 0, 0), (std::vector<int>{10, 100, 201}));
  EXPECT_EQ(bgr(dest.picture, 1, 0), (std::vector<int>{15, 75, 100}));  // x = 0.5: truncated means
  EXPECT_EQ(bgr(dest.picture, 3, 0), (std::vector<int>{21, 51, 0}));    // x = 1.5 mixes (1,0) with itself
}

TEST(ResampleCases, UniformPicturesStayWithinOneLevelAndNeverWrap) {
  for (int mode : {2, 3})
    for (std::uint8_t grey : {0, 1, 128, 254, 255}) {
      OwnedPicture source(37, 23);
      fillUniform(source.picture, grey);
      for (auto [w, h] : {std::pair{19, 11}, std::pair{53, 41}}) {
        OwnedPicture dest(w, h);
        corvale::resampleInto(dest.picture, source.picture, mode);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            for (int c : bgr(dest.picture, x, y))
              ASSERT_LE(std::abs(c - grey), 1) << "mode " << mode << " grey " << int(grey);
      }
    }
}

// A white picture with one black pixel rings in modes 2 and 3: sums above 255 near the dot must
// clamp to 255, not wrap around to dark values (the ringing itself dips a few levels).
TEST(ResampleCases, OvershootClampsToWhite) {
  for (int mode : {2, 3}) {
    OwnedPicture source(40, 40);
    fillUniform(source.picture, 255);
    setPixel(source.picture, 20, 20, 0, 0, 0);
    OwnedPicture dest(57, 57);
    corvale::resampleInto(dest.picture, source.picture, mode);
    int darkest = 255;
    for (int y = 0; y < 57; ++y)
      for (int x = 0; x < 57; ++x)
        if (std::abs(x - 28) > 6 || std::abs(y - 28) > 6)
          darkest = std::min(darkest, bgr(dest.picture, x, y)[0]);
    EXPECT_GE(darkest, 200) << "mode " << mode;
  }
}

TEST(ResampleCases, UnknownModesGiveBlackOfTheRequestedSize) {
  OwnedPicture source(9, 7);
  fillUniform(source.picture, 200);
  for (int mode : {4, -1, 1000}) {
    intptr_t result = cpic_resize(corvale::handleOf(&source.picture), 5, 3, mode);
    ASSERT_EQ(cpic_getWidth(result), 5);
    ASSERT_EQ(cpic_getHeight(result), 3);
    const corvale::Picture& p = *reinterpret_cast<corvale::Picture*>(result);
    for (std::size_t i = 0; i < 5 * 3 * 4; ++i) EXPECT_EQ(p.pixels[i], 0) << i;
    cpic_destroy(result);
  }
}

// An enlargement in box mode has boxes narrower than a pixel; each box counts as one pixel, so the
// result picks the source pixel at or before each position.
TEST(ResampleCases, BoxEnlargementPicksThePixelAtThePosition) {
  OwnedPicture source(2, 3);
  resample_testing::fillRandom(source.picture, 5);
  OwnedPicture dest(5, 7);
  corvale::resampleInto(dest.picture, source.picture, 0);
  const float stepX = 2.0f / 5.0f, stepY = 3.0f / 7.0f;
  float y = 0.0f;
  for (int j = 0; j < 7; ++j, y += stepY) {
    float x = 0.0f;
    for (int i = 0; i < 5; ++i, x += stepX)
      EXPECT_EQ(bgr(dest.picture, i, j), bgr(source.picture, static_cast<int>(x), static_cast<int>(y)))
          << i << "," << j;
  }
}

// A box larger than the source sums trunc(step) taps along each axis: those beyond the last column
// or row read it again, and every tap counts in the weight 1 / (bw * bh). The oracle is the
// formula itself, columns outer and rows inner, in single precision.
TEST(ResampleCases, BoxLargerThanTheSourceRepeatsTheLastColumnAndRow) {
  const int sw = 3, sh = 2, bw = 6, bh = 4;
  std::vector<std::uint8_t> source = resample_testing::randomBytes(sw * sh * 4, 21);
  std::vector<std::uint8_t> dest(4, 0x33);
  imgResample(1, 1, 0, 0, static_cast<float>(bw) + 0.5f, static_cast<float>(bh) + 0.25f, sw, sh, 0,
              source.data(), dest.data());
  const float weight = 1.0f / static_cast<float>(bw * bh);
  for (int channel = 0; channel < 3; ++channel) {
    float sum = 0.0f;
    for (int k = 0; k < bw; ++k)
      for (int l = 0; l < bh; ++l)
        sum += weight * source[(std::min(l, sh - 1) * sw + std::min(k, sw - 1)) * 4 + channel];
    EXPECT_EQ(dest[channel], static_cast<int>(sum)) << channel;
  }
  EXPECT_EQ(dest[3], 0x33);
}

TEST(ResampleCases, ImgResampleOffsetLeavesTheFirstColumnsBlack) {
  const int w = 24, h = 5;
  std::vector<std::uint8_t> source = resample_testing::randomBytes(w * h * 4, 9);
  for (std::size_t i = 0; i < source.size(); i += 4) source[i] |= 1;  // no black pixels in the source
  std::vector<std::uint8_t> dest(w * h * 4, 0x77);
  imgResample(w, h, 10, 0, 1.0f, 1.0f, w, h, 0, source.data(), dest.data());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* d = &dest[(y * w + x) * 4];
      if (x < 10) {
        EXPECT_EQ(d[0] | d[1] | d[2], 0) << x << "," << y;
      } else {
        const std::uint8_t* s = &source[(y * w + x - 10) * 4];
        EXPECT_EQ(std::vector<int>(d, d + 3), std::vector<int>(s, s + 3)) << x << "," << y;
      }
      EXPECT_EQ(d[3], 0x77);
    }
}

// Steps that are not numbers, or huge, and empty sources: black, no crash, nothing outside the
// destination written.
TEST(ResampleCases, ImgResampleSurvivesUnusableArguments) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  std::vector<std::uint8_t> source = resample_testing::randomBytes(6 * 5 * 4, 3);
  for (int mode : {0, 1, 2, 3}) {
    for (auto [xStep, yStep] :
         {std::pair{nan, 1.0f}, std::pair{1.0f, inf}, std::pair{3e9f, 3e9f}, std::pair{-inf, 1.0f}}) {
      std::vector<std::uint8_t> dest(4 * 3 * 4 + 4, 0x55);
      imgResample(4, 3, 0, 0, xStep, yStep, 6, 5, mode, source.data(), dest.data());
      EXPECT_EQ(dest.back(), 0x55);
    }
    std::vector<std::uint8_t> dest(4 * 3 * 4, 0x55);
    imgResample(4, 3, 0, 0, 1.0f, 1.0f, 0, 5, mode, source.data(), dest.data());
    for (std::size_t i = 0; i < dest.size(); ++i) EXPECT_EQ(dest[i], i % 4 == 3 ? 0x55 : 0) << i;
    imgResample(4, 3, 0, 0, 1.0f, 1.0f, 6, 5, mode, nullptr, nullptr);
  }
}

}  // namespace
