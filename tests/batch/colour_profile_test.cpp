// Conversion to sRGB from an embedded profile, with ImageMagick (which also converts through Little
// CMS, at 16 bits) as the oracle for the colours.
#include "metadata/colour_profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/test_files.h"

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

const std::string kColord = "/usr/share/color/icc/colord/";

// Saturated ramps and a neutral ramp: where a wide gamut and sRGB differ most and least.
struct Picture {
  int width = 64, height = 48;
  Bytes bgrx;
};
Picture testPicture() {
  Picture p;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      int r = x * 4, g = y * 5, b = (x * y) % 256;
      if (y < 8) r = g = b = x * 4;  // grey
      p.bgrx.insert(p.bgrx.end(), {std::uint8_t(b), std::uint8_t(g), std::uint8_t(r), std::uint8_t(x ^ y)});
    }
  return p;
}

Bytes ppmOf(const Picture& p) {
  std::string header = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
  Bytes file(header.begin(), header.end());
  for (std::size_t i = 0; i < p.bgrx.size(); i += 4)
    file.insert(file.end(), {p.bgrx[i + 2], p.bgrx[i + 1], p.bgrx[i]});
  return file;
}

// The picture tagged with `profile` and converted by ImageMagick to sRGB, perceptual intent; RGB bytes.
Bytes convertedByImageMagick(const TempDir& dir, const Picture& p, const std::string& profile) {
  writeBytes(dir.file("in.ppm"), ppmOf(p));
  std::string command = "convert " + dir.file("in.ppm") + " -profile " + profile +
                        " -intent Perceptual -profile " + kColord + "sRGB.icc -depth 8 " +
                        dir.file("out.ppm") + " 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  Bytes out = readBytes(dir.file("out.ppm"));
  std::size_t pixels = std::size_t(p.width) * p.height * 3;
  return out.size() < pixels ? Bytes{} : Bytes(out.end() - static_cast<std::ptrdiff_t>(pixels), out.end());
}

Bytes rgbOf(const Bytes& bgrx) {
  Bytes rgb;
  for (std::size_t i = 0; i < bgrx.size(); i += 4) rgb.insert(rgb.end(), {bgrx[i + 2], bgrx[i + 1], bgrx[i]});
  return rgb;
}

double psnr(const Bytes& a, const Bytes& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

TEST(ColourProfile, WideGamutProfilesMatchImageMagick) {
  TempDir dir;
  for (const char* name : {"AdobeRGB1998.icc", "ProPhotoRGB.icc", "WideGamutRGB.icc"}) {
    SCOPED_TRACE(name);
    Picture picture = testPicture();
    Bytes expected = convertedByImageMagick(dir, picture, kColord + name);
    ASSERT_FALSE(expected.empty()) << "ImageMagick failed";
    Bytes before = picture.bgrx;
    std::string reason;
    ASSERT_TRUE(
        ConvertPixelsToSrgb(readBytes(kColord + name), picture.bgrx, picture.width, picture.height, reason))
        << reason;
    EXPECT_GE(psnr(rgbOf(picture.bgrx), expected), 45.0);
    EXPECT_LT(psnr(rgbOf(picture.bgrx), rgbOf(before)), 40.0);  // the colours did change
    for (std::size_t i = 3; i < before.size(); i += 4)
      ASSERT_EQ(picture.bgrx[i], before[i]) << "fourth byte at " << i;
  }
}

TEST(ColourProfile, ProfilesThatCannotConvertLeaveThePixelsAlone) {
  Bytes adobe = readBytes(kColord + "AdobeRGB1998.icc");
  Bytes grey = adobe, cmyk = adobe, garbage(600, 0x5A);
  std::copy_n("GRAY", 4, grey.begin() + 16);  // the header's colour space field
  std::copy_n("CMYK", 4, cmyk.begin() + 16);
  for (const Bytes& profile : {Bytes{}, garbage, grey, cmyk}) {
    Picture picture = testPicture();
    Bytes before = picture.bgrx;
    std::string reason;
    EXPECT_FALSE(ConvertPixelsToSrgb(profile, picture.bgrx, picture.width, picture.height, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(picture.bgrx, before);
  }
  Picture picture = testPicture();
  std::string reason;
  EXPECT_FALSE(ConvertPixelsToSrgb(adobe, picture.bgrx, picture.width, picture.height + 1, reason));
  EXPECT_FALSE(ConvertPixelsToSrgb(adobe, picture.bgrx, 0, picture.height, reason));
}

// A premultiplied picture is converted as the straight colours it stands for: ImageMagick's
// conversion of those straight colours (each premultiplied byte divided by its opacity, rounded),
// premultiplied again; every opacity stays, a transparent pixel stays 0, and an opaque one is
// converted exactly as an opaque picture is.
Picture premultipliedTestPicture() {
  Picture picture = testPicture();
  const std::uint8_t opacities[] = {0, 1, 37, 128, 200, 255};
  for (std::size_t i = 0; i < picture.bgrx.size(); i += 4) {
    const unsigned alpha = opacities[(i / 4) % 6];
    for (std::size_t c = 0; c < 3; ++c)
      picture.bgrx[i + c] = std::uint8_t((picture.bgrx[i + c] * alpha + 127) / 255);
    picture.bgrx[i + 3] = std::uint8_t(alpha);
  }
  return picture;
}

Picture straightOf(const Picture& premultiplied) {
  Picture straight = premultiplied;
  for (std::size_t i = 0; i < straight.bgrx.size(); ++i) {
    const unsigned alpha = premultiplied.bgrx[i - i % 4 + 3], colour = premultiplied.bgrx[i];
    if (i % 4 != 3) straight.bgrx[i] = std::uint8_t(alpha == 0 ? 0 : (colour * 255 + alpha / 2) / alpha);
  }
  return straight;
}

TEST(ColourProfile, PremultipliedPicturesConvertTheirStraightColours) {
  TempDir dir;
  Bytes adobe = readBytes(kColord + "AdobeRGB1998.icc");
  Picture picture = premultipliedTestPicture();
  const Picture straight = straightOf(picture);
  Bytes expected = convertedByImageMagick(dir, straight, kColord + "AdobeRGB1998.icc");
  ASSERT_FALSE(expected.empty()) << "ImageMagick failed";
  Picture opaque = straight;
  std::string reason;
  ASSERT_TRUE(ConvertPixelsToSrgb(adobe, opaque.bgrx, opaque.width, opaque.height, reason)) << reason;
  ASSERT_TRUE(ConvertPremultipliedToSrgb(adobe, picture.bgrx, picture.width, picture.height, reason))
      << reason;
  for (std::size_t p = 0; p < picture.bgrx.size() / 4; ++p) {
    const std::uint8_t* got = &picture.bgrx[p * 4];
    const int alpha = got[3];
    ASSERT_EQ(alpha, straight.bgrx[p * 4 + 3]) << "pixel " << p;
    for (std::size_t c = 0; c < 3; ++c) {
      if (alpha == 0) {
        EXPECT_EQ(got[c], 0) << "pixel " << p;
      }
      if (alpha == 255) {
        EXPECT_EQ(got[c], opaque.bgrx[p * 4 + c]) << "pixel " << p;
      }
      EXPECT_NEAR(got[c], expected[p * 3 + 2 - c] * alpha / 255.0, 2.0) << "pixel " << p << " channel " << c;
    }
  }
}

TEST(ColourProfile, PremultipliedPicturesThatCannotConvertAreLeftAlone) {
  Picture picture = testPicture();
  Bytes before = picture.bgrx;
  std::string reason;
  EXPECT_FALSE(
      ConvertPremultipliedToSrgb(Bytes(600, 0x5A), picture.bgrx, picture.width, picture.height, reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(ConvertPremultipliedToSrgb(readBytes(kColord + "AdobeRGB1998.icc"), picture.bgrx,
                                          picture.width, picture.height + 1, reason));
  EXPECT_EQ(picture.bgrx, before);
}

TEST(ColourProfile, ConcurrentConversionsAgree) {
  Bytes adobe = readBytes(kColord + "AdobeRGB1998.icc");
  Picture alone = testPicture();
  std::string reason;
  ASSERT_TRUE(ConvertPixelsToSrgb(adobe, alone.bgrx, alone.width, alone.height, reason));
  std::vector<Picture> pictures(4, testPicture());
  std::vector<std::thread> threads;
  for (Picture& p : pictures)
    threads.emplace_back([&adobe, &p] {
      std::string why;
      for (int round = 0; round < 3; ++round) {
        Picture fresh = testPicture();
        ConvertPixelsToSrgb(adobe, fresh.bgrx, fresh.width, fresh.height, why);
        p = fresh;
      }
    });
  for (std::thread& t : threads) t.join();
  for (const Picture& p : pictures) EXPECT_EQ(p.bgrx, alone.bgrx);
}

}  // namespace
}  // namespace lumivex
