// Component set-up and sampling from a device context, against a direct computation.
#include "encoder/sampling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "encoder/encoder_error.h"
#include "encoder/forward_dct.h"
#include "encoder/jpeg_oracle.h"

namespace lumivex {
namespace {

using encoder_tests::DcPicture;
using encoder_tests::RgbImage;
using encoder_tests::syntheticImage;

void expectInvalidSampling(std::array<int, 6> f) {
  try {
    SetSamplingFrequencies(f[0], f[1], f[2], f[3], f[4], f[5]);
    FAIL() << "accepted";
  } catch (const EncoderError& e) {
    EXPECT_EQ(e.number(), 1);
    EXPECT_STREQ(e.what(), "Invalid Sampling Value");
  }
}

TEST(SetSamplingFrequencies, GreyIsOneComponentOfOneByOne) {
  for (auto [h1, v1] : {std::pair{1, 1}, std::pair{3, 2}}) {
    ComponentSetup setup = SetSamplingFrequencies(h1, v1, 0, 0, 0, 0);
    ASSERT_EQ(setup.ComponentCount, 1);
    ASSERT_EQ(setup.Components.size(), 1u);
    EXPECT_EQ(setup.Components[0].H, 1);
    EXPECT_EQ(setup.Components[0].V, 1);
    EXPECT_EQ(setup.Components[0].Tq, 0);
    EXPECT_EQ(setup.HMax, 1);
    EXPECT_EQ(setup.VMax, 1);
  }
}

TEST(SetSamplingFrequencies, ColourTakesTheFactorsAndTables) {
  ComponentSetup setup = SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
  ASSERT_EQ(setup.ComponentCount, 3);
  EXPECT_EQ(setup.HMax, 2);
  EXPECT_EQ(setup.VMax, 2);
  EXPECT_EQ(setup.Components[0].Tq, 0);
  EXPECT_EQ(setup.Components[1].Tq, 1);
  EXPECT_EQ(setup.Components[2].Tq, 1);
  ComponentSetup odd = SetSamplingFrequencies(1, 3, 4, 1, 2, 2);
  EXPECT_EQ(odd.HMax, 4);
  EXPECT_EQ(odd.VMax, 3);
}

TEST(SetSamplingFrequencies, FactorsOutsideOneToFourAreRefused) {
  expectInvalidSampling({2, 2, 1, 0, 1, 1});  // one zero among non-zero chrominance factors
  expectInvalidSampling({5, 1, 1, 1, 1, 1});
  expectInvalidSampling({0, 1, 0, 0, 0, 0});  // the first factors are checked even for grey
  expectInvalidSampling({1, -1, 1, 1, 1, 1});
  expectInvalidSampling({1, 1, 1, 1, 1, 5});
}

TEST(ComponentGeometry, SampledAndPaddedSizes) {
  ComponentGeometry y = componentGeometry(17, 9, 2, 2, 2, 2);
  EXPECT_EQ(std::tuple(y.sampledWidth, y.sampledHeight, y.paddedWidth, y.paddedHeight),
            std::tuple(17, 9, 24, 16));
  ComponentGeometry c = componentGeometry(17, 9, 1, 1, 2, 2);
  EXPECT_EQ(std::tuple(c.sampledWidth, c.sampledHeight, c.paddedWidth, c.paddedHeight),
            std::tuple(9, 5, 16, 8));
  ComponentGeometry narrow = componentGeometry(7, 5, 1, 1, 2, 2);
  EXPECT_EQ(std::tuple(narrow.sampledWidth, narrow.paddedWidth), std::tuple(4, 8));
  ComponentGeometry tiny = componentGeometry(1, 1, 1, 1, 2, 2);
  EXPECT_EQ(std::tuple(tiny.sampledWidth, tiny.sampledHeight, tiny.paddedWidth, tiny.paddedHeight),
            std::tuple(1, 1, 8, 8));
  ComponentGeometry whole = componentGeometry(32, 48, 1, 1, 2, 2);
  EXPECT_EQ(std::tuple(whole.sampledWidth, whole.paddedWidth, whole.sampledHeight, whole.paddedHeight),
            std::tuple(16, 16, 24, 24));
  ComponentGeometry third = componentGeometry(10, 10, 1, 1, 3, 3);
  EXPECT_EQ(third.sampledWidth, 4);  // 10 / 3 rounded up
}

std::array<QuantTable, 4> tablesAt(int quality) {
  std::array<QuantTable, 4> tables{};
  std::int32_t s = qualityScaleFactor(quality);
  ScaleQuantTable(kLuminanceBase, s, tables[0]);
  ScaleQuantTable(kChrominanceBase, s, tables[1]);
  return tables;
}

// The component's sampled image as the device-context layer makes it: the source rectangle itself
// at full size, else its halftone stretch.
RgbImage componentImage(const DcPicture& picture, const RgbImage& source, int left, int top, int width,
                        int height, const ComponentGeometry& g) {
  RgbImage out{g.sampledWidth, g.sampledHeight, {}};
  out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
  if (g.sampledWidth == width && g.sampledHeight == height) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        std::copy_n(source.at(left + x, top + y), 3, out.rgb.begin() + (y * width + x) * 3);
    return out;
  }
  RgbImage blank{out.width, out.height, out.rgb};
  DcPicture target(blank);
  gdi::SetStretchBltMode(target.dc(), gdi::HALFTONE);
  gdi::StretchBlt(target.dc(), 0, 0, out.width, out.height, picture.dc(), left, top, width, height,
                  gdi::SRCCOPY);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      gdi::COLORREF c = gdi::GetPixel(target.dc(), x, y);
      std::uint8_t* p = out.rgb.data() + (static_cast<std::size_t>(y) * out.width + x) * 3;
      p[0] = static_cast<std::uint8_t>(gdi::GetRValue(c));
      p[1] = static_cast<std::uint8_t>(gdi::GetGValue(c));
      p[2] = static_cast<std::uint8_t>(gdi::GetBValue(c));
    }
  }
  return out;
}

// The colour conversion as written: single-precision coefficients, each byte as a float, the sum
// in double, stored as float.
float convert(int component, const std::uint8_t* rgb) {
  double r = static_cast<float>(rgb[0]), g = static_cast<float>(rgb[1]), b = static_cast<float>(rgb[2]);
  double sum;
  if (component == 0)
    sum = double{0.299f} * r + double{0.587f} * g + double{0.114f} * b - 128;
  else if (component == 1)
    sum = double{-0.16874f} * r - double{0.33126f} * g + double{0.5f} * b;
  else
    sum = double{0.5f} * r - double{0.41869f} * g - double{0.08131f} * b;
  return static_cast<float>(sum);
}

std::vector<std::int16_t> expectedCoefficients(const RgbImage& image, const ComponentGeometry& g,
                                               int component, const QuantTable& table) {
  std::vector<std::int16_t> out;
  for (int by = 0; by < g.blockRows(); ++by) {
    for (int bx = 0; bx < g.blocksPerRow(); ++bx) {
      DctBlock block;
      for (int r = 0; r < 8; ++r)
        for (int j = 0; j < 8; ++j) {
          // Padding repeats the last column and row.
          int x = std::min(bx * 8 + j, image.width - 1), y = std::min(by * 8 + r, image.height - 1);
          block[r * 8 + j] = convert(component, image.at(x, y));
        }
      ForwardDct(block);
      std::array<std::int16_t, 64> zigzag{};
      for (int n = 0; n < 64; ++n)
        zigzag[kZigZag[n]] = static_cast<std::int16_t>(
            std::nearbyint(static_cast<double>(block[n]) * static_cast<double>(table.Divisors[kZigZag[n]])));
      out.insert(out.end(), zigzag.begin(), zigzag.end());
    }
  }
  return out;
}

struct Case {
  int pictureWidth, pictureHeight, left, top, width, height;
  std::array<int, 6> factors;
};

TEST(SampleHDC, EveryComponentMatchesTheDirectComputation) {
  const std::vector<Case> cases = {
      {17, 9, 0, 0, 17, 9, {2, 2, 1, 1, 1, 1}},   {7, 5, 0, 0, 7, 5, {2, 2, 1, 1, 1, 1}},
      {1, 1, 0, 0, 1, 1, {2, 2, 1, 1, 1, 1}},     {16, 16, 0, 0, 16, 16, {2, 2, 1, 1, 1, 1}},
      {33, 20, 0, 0, 33, 20, {1, 1, 1, 1, 1, 1}}, {29, 11, 0, 0, 29, 11, {1, 1, 0, 0, 0, 0}},
      {37, 19, 0, 0, 37, 19, {4, 2, 1, 1, 1, 1}}, {21, 14, 0, 0, 21, 14, {1, 1, 2, 2, 1, 1}},
      {40, 30, 5, 3, 17, 9, {2, 2, 1, 1, 1, 1}},  {25, 23, 2, 7, 23, 16, {2, 1, 1, 1, 1, 1}},
  };
  const std::array<QuantTable, 4> tables = tablesAt(75);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.left << "," << c.top);
    RgbImage source = syntheticImage(c.pictureWidth, c.pictureHeight);
    DcPicture picture(source);
    const auto& f = c.factors;
    ComponentSetup setup = SetSamplingFrequencies(f[0], f[1], f[2], f[3], f[4], f[5]);
    ASSERT_EQ(SampleHDC(picture.dc(), c.width, c.height, c.left, c.top, tables, setup), 0);
    for (int i = 0; i < setup.ComponentCount; ++i) {
      const ComponentRecord& component = setup.Components[static_cast<std::size_t>(i)];
      EXPECT_EQ(component.Id, i + 1);
      ComponentGeometry g =
          componentGeometry(c.width, c.height, component.H, component.V, setup.HMax, setup.VMax);
      RgbImage image = componentImage(picture, source, c.left, c.top, c.width, c.height, g);
      auto expected = expectedCoefficients(image, g, i, tables[static_cast<std::size_t>(component.Tq)]);
      ASSERT_EQ(component.Coefficients.size(), expected.size()) << "component " << i;
      EXPECT_EQ(component.Coefficients, expected) << "component " << i;
    }
  }
}

TEST(SampleHDC, AFlatPictureGivesFlatBlocks) {
  RgbImage grey = syntheticImage(24, 16);
  for (std::size_t i = 0; i < grey.rgb.size(); i += 3)
    grey.rgb[i] = 200, grey.rgb[i + 1] = 100, grey.rgb[i + 2] = 50;
  DcPicture picture(grey);
  ComponentSetup setup = SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
  ASSERT_EQ(SampleHDC(picture.dc(), 24, 16, 0, 0, tablesAt(100), setup), 0);
  for (const ComponentRecord& c : setup.Components) {
    for (std::size_t k = 0; k < c.Coefficients.size(); ++k) {
      if (k % 64 == 0) {
        EXPECT_EQ(c.Coefficients[k], c.Coefficients[0]);
      } else {
        EXPECT_EQ(c.Coefficients[k], 0) << k;
      }
    }
  }
  // Y = 0.299 * 200 + 0.587 * 100 + 0.114 * 50 - 128 = -3.8, times 8 at quality 100: -30.4.
  EXPECT_EQ(setup.Components[0].Coefficients[0], -30);
}

TEST(SampleHDC, FailuresLeaveTheComponentsAsTheyWere) {
  const std::array<QuantTable, 4> tables = tablesAt(75);
  RgbImage source = syntheticImage(17, 9);
  DcPicture picture(source);
  ComponentSetup setup = SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
  ASSERT_EQ(SampleHDC(picture.dc(), 17, 9, 0, 0, tables, setup), 0);
  const std::vector<std::int16_t> before = setup.Components[0].Coefficients;

  EXPECT_EQ(SampleHDC(picture.dc(), 0, 9, 0, 0, tables, setup), 1);
  EXPECT_EQ(SampleHDC(picture.dc(), 17, -9, 0, 0, tables, setup), 1);
  gdi::HDC empty = gdi::CreateCompatibleDC(nullptr);  // no bitmap selected: nothing to read
  EXPECT_EQ(SampleHDC(empty, 17, 9, 0, 0, tables, setup), 1);
  EXPECT_EQ(SampleHDC(nullptr, 17, 9, 0, 0, tables, setup), 1);
  gdi::DeleteDC(empty);
  EXPECT_EQ(setup.Components[0].Coefficients, before);
}

TEST(SampleHDC, SizesBeyond32BitsOfBitmapOverflow) {
  const std::array<QuantTable, 4> tables = tablesAt(75);
  RgbImage source = syntheticImage(8, 8);
  DcPicture picture(source);
  ComponentSetup setup = SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
  for (auto [w, h] : {std::pair{40000, 40000}, std::pair{2147483647, 1}, std::pair{1, 2147483647}}) {
    try {
      SampleHDC(picture.dc(), w, h, 0, 0, tables, setup);
      FAIL() << w << "x" << h;
    } catch (const EncoderError& e) {
      EXPECT_EQ(e.number(), 6);
    }
  }
}

}  // namespace
}  // namespace lumivex
