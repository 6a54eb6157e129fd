// Every kind of BMP the reader takes, written here from known pixels: colour tables of 1 to 8
// bits, OS/2 and V4/V5 headers, top-down rows, 16 and 32-bit bit fields with and without alpha,
// RLE4 and RLE8. Each file is checked against the pixels it was made from, and against
// ImageMagick's decoding of the same file.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "support/test_files.h"

using testing_support::TempDir;

namespace {

constexpr int kWidth = 7, kHeight = 5;  // an odd width, so rows are padded
using Bytes = std::vector<std::uint8_t>;
using Rgb = std::array<int, 3>;

void put(Bytes& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// File header and an info header of `infoSize` bytes (12: OS/2 1.x; 16: OS/2 2.x).
Bytes headers(int infoSize, int bits, int compression, bool topDown, std::uint32_t colours,
              const std::vector<std::uint32_t>& masks, std::size_t tableBytes) {
  Bytes b{'B', 'M'};
  std::uint32_t extra = infoSize == 40 ? static_cast<std::uint32_t>(4 * masks.size()) : 0;
  put(b, 0, 4), put(b, 0, 4), put(b, 14 + infoSize + extra + static_cast<std::uint32_t>(tableBytes), 4);
  put(b, static_cast<std::uint32_t>(infoSize), 4);
  if (infoSize == 12) {
    put(b, kWidth, 2), put(b, kHeight, 2), put(b, 1, 2), put(b, static_cast<std::uint32_t>(bits), 2);
    return b;
  }
  put(b, kWidth, 4), put(b, static_cast<std::uint32_t>(topDown ? -kHeight : kHeight), 4);
  put(b, 1, 2), put(b, static_cast<std::uint32_t>(bits), 2);
  Bytes rest(static_cast<std::size_t>(infoSize - 16), 0);
  auto field = [&rest](int offset, std::uint32_t v) {
    for (int i = 0; i < 4 && offset - 16 + i < static_cast<int>(rest.size()); ++i)
      rest[static_cast<std::size_t>(offset - 16 + i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  field(16, static_cast<std::uint32_t>(compression));
  field(32, colours);
  for (std::size_t i = 0; infoSize > 40 && i < masks.size(); ++i)
    field(40 + 4 * static_cast<int>(i), masks[i]);
  if (infoSize >= 108) field(56, 0x73524742);  // "sRGB" colour space
  b.insert(b.end(), rest.begin(), rest.end());
  for (std::size_t i = 0; infoSize == 40 && i < masks.size(); ++i) put(b, masks[i], 4);
  return b;
}

Rgb paletteColour(int i) { return {(i * 37 + 5) % 256, (i * 91 + 20) % 256, (i * 53 + 200) % 256}; }
int indexAt(int x, int y, int colours) { return (x * 3 + y * 5 + x * y) % colours; }

// Rows of packed indices, bottom-up unless `topDown`, with the colour table before them.
Bytes indexedBmp(int bits, int infoSize, bool topDown, int colours) {
  std::size_t entry = infoSize == 12 ? 3 : 4;
  Bytes b = headers(infoSize, bits, 0, topDown, infoSize == 12 ? 0 : static_cast<std::uint32_t>(colours), {},
                    entry * static_cast<std::size_t>(infoSize == 12 ? 1 << bits : colours));
  for (int i = 0; i < (infoSize == 12 ? 1 << bits : colours); ++i) {
    Rgb c = paletteColour(i);
    b.insert(b.end(), {std::uint8_t(c[2]), std::uint8_t(c[1]), std::uint8_t(c[0])});
    if (entry == 4) b.push_back(0);
  }
  std::size_t rowBytes = (kWidth * bits + 31) / 32 * 4;
  for (int r = 0; r < kHeight; ++r) {
    int y = topDown ? r : kHeight - 1 - r;
    Bytes row(rowBytes, 0);
    for (int x = 0; x < kWidth; ++x)
      row[static_cast<std::size_t>(x * bits / 8)] |=
          static_cast<std::uint8_t>(indexAt(x, y, colours) << (8 - bits - (x * bits) % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

std::function<Rgb(int, int)> indexedPixels(int colours) {
  return [colours](int x, int y) { return paletteColour(indexAt(x, y, colours)); };
}

// Channel values of the mask's own width, and what they are in 8 bits.
std::uint32_t channelValue(std::uint32_t mask, int x, int y, int salt) {
  if (!mask) return 0;
  std::uint32_t max = mask >> __builtin_ctz(mask);
  return static_cast<std::uint32_t>((x * 97 + y * 41 + salt * 13) % (max + 1)) * (mask & -mask);
}
int eightBits(std::uint32_t value, std::uint32_t mask) {
  if (!mask) return -1;
  std::uint64_t max = mask >> __builtin_ctz(mask), v = value >> __builtin_ctz(mask);
  return static_cast<int>((v * 255 + max / 2) / max);
}

Bytes bitFieldBmp(int bits, int compression, int infoSize, const std::vector<std::uint32_t>& masks) {
  Bytes b =
      headers(infoSize, bits, compression, false, 0, compression ? masks : std::vector<std::uint32_t>{}, 0);
  std::size_t rowBytes = (kWidth * bits + 31) / 32 * 4;
  for (int y = kHeight - 1; y >= 0; --y) {
    Bytes row;
    for (int x = 0; x < kWidth; ++x) {
      std::uint32_t pixel = 0;
      for (int c = 0; c < 4; ++c) pixel |= channelValue(masks[c], x, y, c);
      put(row, pixel, bits / 8);
    }
    row.resize(rowBytes, 0);
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

std::function<Rgb(int, int)> bitFieldPixels(const std::vector<std::uint32_t>& masks) {
  return [masks](int x, int y) {
    int alpha = eightBits(channelValue(masks[3], x, y, 3), masks[3]);
    Rgb rgb;
    for (int c = 0; c < 3; ++c) {
      int v = eightBits(channelValue(masks[c], x, y, c), masks[c]);
      rgb[c] = alpha < 0 || alpha == 255 ? v : (v * alpha + 255 * (255 - alpha) + 127) / 255;
    }
    return rgb;
  };
}

// Each row: an absolute run of its first three pixels, then one encoded run per pixel, then an
// end of line; an end of bitmap after the last.
Bytes runLengthBmp(int bits) {
  int colours = 1 << bits;
  Bytes data;
  for (int y = kHeight - 1; y >= 0; --y) {
    auto index = [&](int x) { return static_cast<std::uint8_t>(indexAt(x, y, colours)); };
    data.insert(data.end(), {0, 3});
    if (bits == 8) {
      data.insert(data.end(), {index(0), index(1), index(2), 0});
    } else {
      data.insert(data.end(), {static_cast<std::uint8_t>(index(0) << 4 | index(1)),
                               static_cast<std::uint8_t>(index(2) << 4)});
    }
    for (int x = 3; x < kWidth; ++x)
      data.insert(data.end(),
                  {1, static_cast<std::uint8_t>(bits == 8 ? index(x) : index(x) << 4 | index(x))});
    data.insert(data.end(), {0, 0});
  }
  data.insert(data.end(), {0, 1});
  Bytes b = headers(40, bits, bits == 8 ? 1 : 2, false, static_cast<std::uint32_t>(colours), {},
                    4 * static_cast<std::size_t>(colours));
  for (int i = 0; i < colours; ++i) {
    Rgb c = paletteColour(i);
    b.insert(b.end(), {std::uint8_t(c[2]), std::uint8_t(c[1]), std::uint8_t(c[0]), 0});
  }
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

Bytes withSize(Bytes b) {
  for (int i = 0; i < 4; ++i) b[2 + i] = static_cast<std::uint8_t>(b.size() >> (8 * i));
  return b;
}

// ImageMagick's pixels of the file, transparency over white, as red, green and blue.
Bytes imageMagickPixels(const std::string& path) {
  std::string command = "convert '" + path + "' -background white -alpha remove -alpha off -depth 8 rgb:-";
  FILE* pipe = popen(command.c_str(), "r");
  Bytes out;
  if (!pipe) return out;
  std::uint8_t buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    out.insert(out.end(), buffer, buffer + n);
  pclose(pipe);
  return out;
}

struct Variant {
  std::string name;
  Bytes file;
  std::function<Rgb(int, int)> pixels;
  // ImageMagick 6 reads no 2-bit tables, no alpha bit fields and no 16-byte OS/2 header, takes an
  // OS/2 2.x colour table for three-byte entries, and widens 4-bit channels by a shift (13 becomes
  // 208, not 221): those files are checked against their own pixels only.
  bool oracle = true;
};

}  // namespace

TEST(BmpVariants, EachKindReadsItsPixelsAsImageMagickDoes) {
  const std::vector<std::uint32_t> rgb565 = {0xF800, 0x07E0, 0x001F, 0},
                                   rgba4444 = {0x0F00, 0x00F0, 0x000F, 0xF000},
                                   bgr32 = {0xFF, 0xFF00, 0xFF0000, 0},
                                   rgba8888 = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                                   rgb1010102 = {0x3FF00000, 0xFFC00, 0x3FF, 0},
                                   rgb555 = {0x7C00, 0x3E0, 0x1F, 0}, xrgb = {0xFF0000, 0xFF00, 0xFF, 0};
  const std::vector<Variant> variants = {
      {"pal1", indexedBmp(1, 40, false, 2), indexedPixels(2)},
      {"pal2", indexedBmp(2, 40, false, 4), indexedPixels(4), false},
      {"pal4", indexedBmp(4, 40, false, 16), indexedPixels(16)},
      {"pal4-12colours", indexedBmp(4, 40, false, 12), indexedPixels(12)},
      {"pal8", indexedBmp(8, 40, false, 256), indexedPixels(256)},
      {"pal8-topdown", indexedBmp(8, 40, true, 100), indexedPixels(100)},
      {"pal8-os2v1", indexedBmp(8, 12, false, 256), indexedPixels(256)},
      {"pal8-os2v2", indexedBmp(8, 64, false, 256), indexedPixels(256), false},
      {"pal8-os2v2-16", indexedBmp(8, 16, false, 256), indexedPixels(256), false},
      {"pal8-v4", indexedBmp(8, 108, false, 256), indexedPixels(256)},
      {"pal8-v5", indexedBmp(8, 124, false, 200), indexedPixels(200)},
      {"rgb16-555", bitFieldBmp(16, 0, 40, rgb555), bitFieldPixels(rgb555)},
      {"rgb16-565", bitFieldBmp(16, 3, 40, rgb565), bitFieldPixels(rgb565)},
      {"rgba16-4444", bitFieldBmp(16, 3, 124, rgba4444), bitFieldPixels(rgba4444), false},
      {"rgb32", bitFieldBmp(32, 0, 40, xrgb), bitFieldPixels(xrgb)},
      {"rgb32-bgr", bitFieldBmp(32, 3, 40, bgr32), bitFieldPixels(bgr32)},
      {"rgb32-1010102", bitFieldBmp(32, 3, 108, rgb1010102), bitFieldPixels(rgb1010102)},
      {"rgba32-v5", bitFieldBmp(32, 3, 124, rgba8888), bitFieldPixels(rgba8888)},
      {"rgba32-alphabitfields", bitFieldBmp(32, 6, 40, rgba8888), bitFieldPixels(rgba8888), false},
      {"rle4", runLengthBmp(4), indexedPixels(16)},
      {"rle8", runLengthBmp(8), indexedPixels(256)},
  };
  TempDir dir;
  for (const Variant& v : variants) {
    std::string path = dir.file(v.name + ".bmp");
    testing_support::writeBytes(path, withSize(v.file));
    corvale::Picture picture;
    corvale::loadPictureFile(path.c_str(), picture, nullptr);
    EXPECT_STREQ(corvale::lastLoadMessage(), "") << v.name;
    ASSERT_EQ(picture.width, kWidth) << v.name;
    ASSERT_EQ(picture.height, kHeight) << v.name;
    Bytes oracle = v.oracle ? imageMagickPixels(path) : Bytes{};
    if (v.oracle) {
      EXPECT_EQ(oracle.size(), std::size_t{3 * kWidth * kHeight}) << v.name;
    }
    int oracleMisses = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const std::uint8_t* p = corvale::pixelAt(picture, x, y);
        Rgb want = v.pixels(x, y), got = {p[2], p[1], p[0]};
        EXPECT_EQ(got, want) << v.name << " at " << x << "," << y;
        std::size_t at = 3 * static_cast<std::size_t>(y * kWidth + x);
        for (int c = 0; c < 3 && at + 2 < oracle.size(); ++c)
          oracleMisses += std::abs(oracle[at + c] - got[c]) > 1;
      }
    EXPECT_EQ(oracleMisses, 0) << v.name << " differs from ImageMagick";
    corvale::releasePicture(picture);
  }
}
