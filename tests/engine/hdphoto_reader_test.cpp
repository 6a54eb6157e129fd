// The HD Photo reader: files encoded by jxrlib's own JxrEncApp from known pixels load with those
// pixels (lossless) or with the pixels jxrlib's JxrDecApp decodes (lossy, grey); files jxrlib
// cannot read, or that crash it, load as nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "picture/picture.h"
#include "support/test_files.h"

namespace {

using testing_support::TempDir;

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

using PixelSource = std::function<Rgb(int x, int y)>;

struct Image {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Rgb pattern(int x, int y) {
  return {static_cast<std::uint8_t>(x * 7 + y * 3), static_cast<std::uint8_t>(x * x + y),
          static_cast<std::uint8_t>(x ^ (y * 5))};
}

Rgb gradient(int x, int y) {
  return {static_cast<std::uint8_t>(x * 2), static_cast<std::uint8_t>(y * 3),
          static_cast<std::uint8_t>(128 + x - y)};
}

void putU16(std::vector<std::uint8_t>& out, unsigned v) {
  out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
}
void putU32(std::vector<std::uint8_t>& out, unsigned v) {
  out.insert(out.end(),
             {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
}

// A bottom-up BMP of 24 bits (or 32, with an alpha of 128) per pixel.
void writeBmp(const std::string& path, int width, int height, const PixelSource& source, int bits = 24) {
  std::size_t stride = (static_cast<std::size_t>(width) * bits / 8 + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> out = {'B', 'M'};
  putU32(out, static_cast<unsigned>(54 + stride * height));
  putU32(out, 0);
  putU32(out, 54);
  putU32(out, 40);
  putU32(out, static_cast<unsigned>(width));
  putU32(out, static_cast<unsigned>(height));
  putU16(out, 1);
  putU16(out, static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i)
    putU32(out, i == 1 ? static_cast<unsigned>(stride * height) : i < 4 && i > 1 ? 2835 : 0);
  for (int y = height - 1; y >= 0; --y) {
    std::size_t start = out.size();
    for (int x = 0; x < width; ++x) {
      Rgb c = source(x, y);
      out.insert(out.end(), {c.b, c.g, c.r});
      if (bits == 32) out.push_back(128);
    }
    out.resize(start + stride, 0);
  }
  testing_support::writeBytes(path, out);
}

// A 24-bit BMP as JxrDecApp writes it.
Image readBmp24(const std::string& path) {
  auto bytes = testing_support::readBytes(path);
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                      bytes[at + 3] << 24);
  };
  Image image;
  if (bytes.size() < 54 || bytes[0] != 'B' || (bytes[28] | bytes[29] << 8) != 24) return image;
  std::uint32_t offset = u32(10);
  auto height = static_cast<std::int32_t>(u32(22));
  image.width = static_cast<int>(u32(18));
  image.height = std::abs(height);
  std::size_t stride = (static_cast<std::size_t>(image.width) * 3 + 3) & ~std::size_t{3};
  if (bytes.size() < offset + stride * image.height) return Image{};
  for (int y = 0; y < image.height; ++y) {
    std::size_t row = offset + stride * (height > 0 ? image.height - 1 - y : y);
    for (int x = 0; x < image.width; ++x)
      image.pixels.push_back({bytes[row + 3 * x + 2], bytes[row + 3 * x + 1], bytes[row + 3 * x]});
  }
  return image;
}

bool toolsPresent() {
  return std::system("command -v JxrEncApp >/dev/null 2>&1 && command -v JxrDecApp >/dev/null 2>&1") == 0;
}

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Encodes `source` with JxrEncApp and returns the path of the result under `name`.
std::string encode(const TempDir& dir, const std::string& name, int width, int height,
                   const PixelSource& source, const std::string& options = "-q 1", int bits = 24) {
  std::string bmp = dir.file(name + ".bmp"), jxr = dir.file(name + ".jxr"), target = dir.file(name);
  writeBmp(bmp, width, height, source, bits);
  if (!run("JxrEncApp -i '" + bmp + "' -o '" + jxr + "' " + options)) return {};
  std::filesystem::rename(jxr, target);
  return target;
}

// What jxrlib's own decoder makes of a file, as 24-bit pixels.
Image decodeWithJxrDecApp(const TempDir& dir, const std::string& path) {
  std::string jxr = dir.file("reference.jxr"), bmp = dir.file("reference.bmp");
  std::filesystem::copy_file(path, jxr, std::filesystem::copy_options::overwrite_existing);
  if (!run("JxrDecApp -i '" + jxr + "' -o '" + bmp + "' -c 0")) return {};
  return readBmp24(bmp);
}

// JxrDecApp's own grey output (an 8-bit PGM) for a grey file. Its 24-bit output of grey files
// is not a reference: it converts the colours twice.
Image decodeGreyWithJxrDecApp(const TempDir& dir, const std::string& path) {
  std::string jxr = dir.file("reference.jxr"), pgm = dir.file("reference.pnm");
  std::filesystem::copy_file(path, jxr, std::filesystem::copy_options::overwrite_existing);
  if (!run("JxrDecApp -i '" + jxr + "' -o '" + pgm + "' -c 2")) return {};
  auto bytes = testing_support::readBytes(pgm);
  Image image;
  int maxValue = 0, consumed = 0;
  if (std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P5 %d %d %d%n", &image.width, &image.height,
                  &maxValue, &consumed) != 3 ||
      bytes.size() != consumed + 1 + static_cast<std::size_t>(image.width) * image.height)
    return {};
  for (std::size_t i = consumed + 1; i < bytes.size(); ++i)
    image.pixels.push_back({bytes[i], bytes[i], bytes[i]});
  return image;
}

struct Loaded {
  explicit Loaded(const std::string& path) { corvale::loadPictureFile(path.c_str(), picture, nullptr); }
  ~Loaded() { corvale::releasePicture(picture); }
  Rgb at(int x, int y) const {
    const std::uint8_t* p = corvale::pixelAt(picture, x, y);
    return {p[2], p[1], p[0]};
  }
  corvale::Picture picture;
};

int countDifferences(const Loaded& loaded, int width, int height,
                     const std::function<Rgb(int, int)>& expected) {
  int differences = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (!(loaded.at(x, y) == expected(x, y)) && ++differences <= 3)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs: " << int(loaded.at(x, y).r) << ","
                      << int(loaded.at(x, y).g) << "," << int(loaded.at(x, y).b) << " for "
                      << int(expected(x, y).r) << "," << int(expected(x, y).g) << ","
                      << int(expected(x, y).b);
  return differences;
}

class HdPhotoReader : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!toolsPresent()) GTEST_SKIP() << "JxrEncApp and JxrDecApp (libjxr-tools) are not installed";
  }
  TempDir dir_;
};

TEST_F(HdPhotoReader, LosslessFilesLoadWithTheSourcePixels) {
  struct Size {
    int width, height;
  };
  for (Size size : {Size{1, 1}, Size{2, 1}, Size{3, 2}, Size{5, 3}, Size{17, 9}, Size{33, 40}}) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
    std::string path = encode(dir_, "image.wdp", size.width, size.height, pattern);
    ASSERT_FALSE(path.empty());
    Loaded loaded(path);
    ASSERT_EQ(loaded.picture.width, size.width);
    ASSERT_EQ(loaded.picture.height, size.height);
    EXPECT_EQ(countDifferences(loaded, size.width, size.height, pattern), 0);
  }
}

// Its BMP rows would be 304 bytes, more than three bytes a pixel: all 2000 rows must arrive.
TEST_F(HdPhotoReader, TallOddWidthImageLoadsCompletely) {
  std::string path = encode(dir_, "tall.hdp", 101, 2000, pattern);
  ASSERT_FALSE(path.empty());
  Loaded loaded(path);
  ASSERT_EQ(loaded.picture.width, 101);
  ASSERT_EQ(loaded.picture.height, 2000);
  EXPECT_EQ(countDifferences(loaded, 101, 2000, pattern), 0);
  EXPECT_EQ(corvale::pixelAt(loaded.picture, 100, 1999)[3], 0);  // the fourth byte stays zero
}

TEST_F(HdPhotoReader, BothExtensionsInAnyCase) {
  for (const char* name : {"a.wdp", "b.hdp", "c.WDP", "d.Hdp"}) {
    std::string path = encode(dir_, name, 4, 4, pattern);
    ASSERT_FALSE(path.empty());
    Loaded loaded(path);
    EXPECT_EQ(loaded.picture.width, 4) << name;
  }
}

TEST_F(HdPhotoReader, LossyFilesLoadAsJxrlibDecodesThem) {
  std::string path = encode(dir_, "lossy.wdp", 64, 48, gradient, "-q 0.7");
  ASSERT_FALSE(path.empty());
  Image reference = decodeWithJxrDecApp(dir_, path);
  ASSERT_EQ(reference.width, 64);
  Loaded loaded(path);
  ASSERT_EQ(loaded.picture.width, 64);
  ASSERT_EQ(loaded.picture.height, 48);
  EXPECT_EQ(countDifferences(loaded, 64, 48, [&](int x, int y) { return reference.at(x, y); }), 0);
  int worst = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      Rgb a = loaded.at(x, y), b = gradient(x, y);
      worst = std::max({worst, std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
    }
  EXPECT_LT(worst, 24);  // close to the source
}

TEST_F(HdPhotoReader, GreyFilesLoadAsGrey) {
  std::string path = encode(dir_, "grey.wdp", 9, 7, pattern, "-c 2");
  ASSERT_FALSE(path.empty());
  Image reference = decodeGreyWithJxrDecApp(dir_, path);
  ASSERT_EQ(reference.width, 9);
  Loaded loaded(path);
  ASSERT_EQ(loaded.picture.width, 9);
  EXPECT_EQ(countDifferences(loaded, 9, 7, [&](int x, int y) { return reference.at(x, y); }), 0);
  Rgb c = loaded.at(3, 2);
  EXPECT_EQ(c.r, c.g);
  EXPECT_EQ(c.g, c.b);
}

TEST_F(HdPhotoReader, FilesThatAreNotHdPhotoLoadAsNothing) {
  std::string renamed = dir_.file("image.hdp");
  testing_support::writeBytes(renamed, std::vector<std::uint8_t>(64, 'x'));  // no format's signature
  EXPECT_TRUE(Loaded(renamed).picture.empty());
  EXPECT_STREQ(corvale::lastLoadMessage(), "is not an HD Photo file");
  std::string empty = dir_.file("empty.wdp");
  testing_support::writeBytes(empty, {});
  EXPECT_TRUE(Loaded(empty).picture.empty());
  EXPECT_STREQ(corvale::lastLoadMessage(), "is empty");
  EXPECT_TRUE(Loaded(dir_.file("missing.wdp")).picture.empty());
  EXPECT_TRUE(Loaded(dir_.path().string() + "/.wdp").picture.empty());
  Loaded nothing(dir_.file("missing.wdp"));
  EXPECT_EQ(nothing.picture.width, 0);
  EXPECT_EQ(nothing.picture.height, 0);
}

// 16-bit channels are rounded to the nearest 8-bit level, and `.jxr` (what jxrlib's tools write)
// is read like `.wdp`.
TEST_F(HdPhotoReader, SixteenBitFilesRoundToEightBits) {
  std::string ppm = dir_.file("deep.ppm"), jxr = dir_.file("deep.jxr");
  std::vector<std::uint8_t> bytes = {'P', '6', '\n', '3', ' ', '2', '\n', '6', '5', '5', '3', '5', '\n'};
  auto sample = [](int i) { return static_cast<unsigned>(i * 3641 + 77) % 65536; };
  for (int i = 0; i < 3 * 2 * 3; ++i)
    bytes.insert(bytes.end(), {std::uint8_t(sample(i) >> 8), std::uint8_t(sample(i))});
  testing_support::writeBytes(ppm, bytes);
  ASSERT_TRUE(run("JxrEncApp -i '" + ppm + "' -o '" + jxr + "' -c 10"));
  Loaded loaded(jxr);
  ASSERT_EQ(loaded.picture.width, 3) << corvale::lastLoadMessage();
  // JxrEncApp takes the two bytes of a 16-bit PNM sample low byte first; v / 257 rounded.
  auto level = [&](int i) {
    unsigned v = (sample(i) >> 8) | (sample(i) & 0xFF) << 8;
    return static_cast<std::uint8_t>((v * 2 + 257) / 514);
  };
  EXPECT_EQ(countDifferences(loaded, 3, 2,
                             [&](int x, int y) {
                               int i = 3 * (y * 3 + x);
                               return Rgb{level(i), level(i + 1), level(i + 2)};
                             }),
            0);
}

// Alpha is composited over white, as every reader does.
TEST_F(HdPhotoReader, AlphaIsCompositedOverWhite) {
  std::string path = encode(dir_, "alpha.jxr", 9, 5, pattern, "-q 1 -c 22 -a 2", 32);
  ASSERT_FALSE(path.empty());
  Loaded loaded(path);
  ASSERT_EQ(loaded.picture.width, 9) << corvale::lastLoadMessage();
  auto overWhite = [](std::uint8_t c) {
    return static_cast<std::uint8_t>((c * 128 + 255 * 127 + 127) / 255);
  };
  EXPECT_EQ(countDifferences(loaded, 9, 5,
                             [&](int x, int y) {
                               Rgb c = pattern(x, y);
                               return Rgb{overWhite(c.r), overWhite(c.g), overWhite(c.b)};
                             }),
            0);
}

// Cut and damaged files either load at their size or as nothing; jxrlib's crashes on them stay
// in the decoding process.
TEST_F(HdPhotoReader, DamagedFilesNeverCrashTheLoader) {
  std::string path = encode(dir_, "whole.wdp", 21, 13, pattern);
  ASSERT_FALSE(path.empty());
  auto whole = testing_support::readBytes(path);
  std::string damaged = dir_.file("damaged.wdp");
  for (std::size_t i = 0; i < whole.size(); i += whole.size() / 40 + 1) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(i));
    testing_support::writeBytes(damaged, cut);
    Loaded loaded(damaged);
    if (!loaded.picture.empty()) {
      EXPECT_EQ(loaded.picture.width, 21);
    }
    std::vector<std::uint8_t> flipped = whole;
    flipped[i] ^= 0x5A;
    testing_support::writeBytes(damaged, flipped);
    Loaded flippedLoad(damaged);
    if (!flippedLoad.picture.empty()) {
      EXPECT_GT(flippedLoad.picture.width, 0);
    }
  }
}

}  // namespace
