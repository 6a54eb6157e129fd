// The device-context layer against direct per-pixel reference copies.
#include "platform/gdi.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

using namespace gdi;

namespace {

struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  std::uint8_t* bits = nullptr;
  int width = 0, height = 0;

  Surface(int w, int h, int bitCount, bool topDown, int colours = 0) : width(w), height(h) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = topDown ? -h : h;
    info.bmiHeader.biBitCount = static_cast<std::uint16_t>(bitCount);
    info.bmiHeader.biClrUsed = static_cast<std::uint32_t>(colours);
    for (int i = 0; i < 256; ++i)  // a grey ramp with a marker in the fourth byte
      info.bmiColors[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                           static_cast<std::uint8_t>(255 - i), 7};
    void* p = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p);
    bits = static_cast<std::uint8_t*>(p);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap);
  }
  ~Surface() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  void fillRandom(std::mt19937& rng) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) SetPixel(dc, x, y, rng() & 0xFFFFFF);
  }
  std::vector<COLORREF> pixels() const {
    std::vector<COLORREF> out;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) out.push_back(GetPixel(dc, x, y));
    return out;
  }
};

}  // namespace

TEST(DibSection, LayoutsAreZeroedAndPaddedToFourBytes) {
  for (int bitCount : {32, 24, 8}) {
    for (bool topDown : {true, false}) {
      Surface s(5, 3, bitCount, topDown);
      ASSERT_NE(s.bitmap, nullptr);
      DIBSECTION ds;
      ASSERT_TRUE(GetDibSection(s.bitmap, &ds));
      EXPECT_EQ(ds.stride, (5 * bitCount + 31) / 32 * 4);
      EXPECT_EQ(ds.topDown, topDown);
      for (int i = 0; i < ds.stride * 3; ++i) ASSERT_EQ(s.bits[i], 0);
    }
  }
}

TEST(DibSection, RefusesUnsupportedAndOversizedHeaders) {
  BITMAPINFO info{};
  void* bits = reinterpret_cast<void*>(1);
  info.bmiHeader.biWidth = 4, info.bmiHeader.biHeight = 4, info.bmiHeader.biBitCount = 16;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits), nullptr);
  EXPECT_EQ(bits, nullptr);
  info.bmiHeader.biBitCount = 32, info.bmiHeader.biWidth = 0;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits), nullptr);
  info.bmiHeader.biWidth = INT_MAX, info.bmiHeader.biHeight = INT_MAX;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits), nullptr);
  info.bmiHeader.biWidth = 4, info.bmiHeader.biHeight = INT_MIN;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits), nullptr);
}

TEST(DibSection, RowsRunAsTheHeightSignSays) {
  Surface top(2, 2, 32, true), bottom(2, 2, 32, false);
  SetPixel(top.dc, 0, 0, RGB(1, 2, 3));
  SetPixel(bottom.dc, 0, 0, RGB(1, 2, 3));
  EXPECT_EQ(top.bits[0], 3);     // blue of image row 0 is the first stored byte
  EXPECT_EQ(bottom.bits[8], 3);  // image row 0 is the last stored row
  EXPECT_EQ(top.bits[1], 2);
  EXPECT_EQ(top.bits[2], 1);
}

TEST(SelectObject, ReturnsWhatItReplaces) {
  Surface a(1, 1, 32, true);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(dc, a.bitmap), nullptr) << "a bitmap selected elsewhere is refused";
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 1, info.bmiHeader.biHeight = 1;
  HBITMAP first = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr);
  HBITMAP second = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr);
  EXPECT_EQ(SelectObject(dc, first), nullptr);
  EXPECT_EQ(SelectObject(dc, second), first);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
  EXPECT_EQ(SelectObject(dc, red), nullptr);
  EXPECT_EQ(SelectObject(dc, blue), red);
  EXPECT_EQ(GetCurrentBitmap(dc), second) << "selecting a brush keeps the bitmap";
  // Deleting the selected bitmap detaches it: the context then draws into nothing.
  EXPECT_TRUE(DeleteObject(second));
  EXPECT_EQ(GetCurrentBitmap(dc), nullptr);
  EXPECT_EQ(SetPixel(dc, 0, 0, 0), CLR_INVALID);
  DeleteObject(first);
  DeleteObject(red);
  DeleteObject(blue);
  DeleteDC(dc);
}

TEST(BitBlt, ConvertsBetweenEveryPairOfFormats) {
  std::mt19937 rng(1);
  for (int srcBits : {32, 24, 8})
    for (int destBits : {32, 24})
      for (bool srcTop : {true, false})
        for (bool destTop : {true, false}) {
          Surface src(7, 5, srcBits, srcTop), dest(7, 5, destBits, destTop);
          src.fillRandom(rng);
          ASSERT_TRUE(BitBlt(dest.dc, 0, 0, 7, 5, src.dc, 0, 0, SRCCOPY));
          EXPECT_EQ(dest.pixels(), src.pixels()) << srcBits << " -> " << destBits;
        }
}

TEST(BitBlt, PaletteToThirtyTwoBitsLeavesTheFourthByteZero) {
  Surface src(2, 1, 8, false), dest(2, 1, 32, true);
  src.bits[0] = 10, src.bits[1] = 200;
  BitBlt(dest.dc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY);
  const std::uint8_t expected[8] = {10, 10, 245, 0, 200, 200, 55, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(dest.bits, dest.bits + 8),
            std::vector<std::uint8_t>(expected, expected + 8));
}

TEST(BitBlt, DrawingIntoAPaletteBitmapTakesTheNearestEntry) {
  Surface src(1, 1, 32, true), dest(1, 1, 8, true);
  SetPixel(src.dc, 0, 0, RGB(250, 5, 4));  // closest grey-ramp entry: (r 250, g 5, b 5) = index 5
  BitBlt(dest.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(dest.bits[0], 5);
}

TEST(BitBlt, ClipsEveryRectangleToBothBitmaps) {
  std::mt19937 rng(2);
  std::uniform_int_distribution<int> coord(-12, 12);
  const int extremes[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
  for (int trial = 0; trial < 600; ++trial) {
    Surface src(6, 4, 24, trial & 1), dest(5, 7, 32, trial & 2);
    src.fillRandom(rng);
    dest.fillRandom(rng);
    int x = coord(rng), y = coord(rng), cx = coord(rng) + 6, cy = coord(rng) + 6, x1 = coord(rng),
        y1 = coord(rng);
    if (trial % 10 == 0) x = extremes[rng() % 7], cx = extremes[rng() % 7], y1 = extremes[rng() % 7];
    std::vector<COLORREF> expected = dest.pixels();
    for (long long j = 0; j < cy && cy > 0; ++j)
      for (long long i = 0; i < cx && cx > 0; ++i) {
        long long dx = x + i, dy = y + j, sx = x1 + i, sy = y1 + j;
        if (dx >= 0 && dx < 5 && dy >= 0 && dy < 7 && sx >= 0 && sx < 6 && sy >= 0 && sy < 4)
          expected[dy * 5 + dx] = GetPixel(src.dc, static_cast<int>(sx), static_cast<int>(sy));
        if (i > 40 || j > 40) break;  // beyond both bitmaps nothing more can change
      }
    BitBlt(dest.dc, x, y, cx, cy, src.dc, x1, y1, SRCCOPY);
    ASSERT_EQ(dest.pixels(), expected)
        << x << "," << y << " " << cx << "x" << cy << " from " << x1 << "," << y1;
  }
}

TEST(BitBlt, OverlappingCopyWithinOneBitmapReadsTheOriginal) {
  std::mt19937 rng(3);
  Surface s(4, 6, 24, false);
  s.fillRandom(rng);
  std::vector<COLORREF> before = s.pixels();
  BitBlt(s.dc, 1, 2, 3, 4, s.dc, 0, 0, SRCCOPY);  // down and right by one overlapping block
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 4; ++x) {
      bool moved = x >= 1 && y >= 2;
      EXPECT_EQ(GetPixel(s.dc, x, y), moved ? before[(y - 2) * 4 + (x - 1)] : before[y * 4 + x]);
    }
}

TEST(StretchBlt, HalftoneAveragesTheCoveredAreaExactly) {
  std::mt19937 rng(4);
  // Halvings on both axes take a way of their own; the rounding (half up) is the same everywhere.
  for (auto [sw, sh, dw, dh, bits] : {std::array{4, 4, 2, 2, 24},
                                      {5, 3, 2, 2, 24},
                                      {3, 7, 2, 3, 24},
                                      {2, 2, 5, 3, 24},
                                      {9, 1, 4, 1, 24},
                                      {16, 10, 8, 5, 24},
                                      {16, 10, 8, 3, 24},
                                      {38, 6, 19, 3, 32},
                                      {4, 2, 2, 1, 32}}) {
    Surface src(sw, sh, 32, true), dest(dw, dh, bits, false);
    src.fillRandom(rng);
    SetStretchBltMode(dest.dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(dest.dc, 0, 0, dw, dh, src.dc, 0, 0, sw, sh, SRCCOPY));
    // Direct area integral: destination pixel (i, j) covers source [i*sw/dw, (i+1)*sw/dw) by rows.
    for (int j = 0; j < dh; ++j)
      for (int i = 0; i < dw; ++i) {
        double sum[3] = {}, area = 0;
        for (int y = 0; y < sh; ++y)
          for (int x = 0; x < sw; ++x) {
            double ox =
                std::max(0.0, std::min((i + 1.0) * sw / dw, x + 1.0) - std::max(1.0 * i * sw / dw, 1.0 * x));
            double oy =
                std::max(0.0, std::min((j + 1.0) * sh / dh, y + 1.0) - std::max(1.0 * j * sh / dh, 1.0 * y));
            COLORREF c = GetPixel(src.dc, x, y);
            sum[0] += ox * oy * GetRValue(c), sum[1] += ox * oy * GetGValue(c),
                sum[2] += ox * oy * GetBValue(c);
            area += ox * oy;
          }
        COLORREF got = GetPixel(dest.dc, i, j);
        auto rounded = [&](double channel) { return unsigned(std::floor(channel / area + 0.5 + 1e-9)); };
        EXPECT_EQ(GetRValue(got), rounded(sum[0]));
        EXPECT_EQ(GetGValue(got), rounded(sum[1]));
        EXPECT_EQ(GetBValue(got), rounded(sum[2]));
      }
  }
}

TEST(StretchBlt, ColourOnColourPicksThePixelUnderEachCentre) {
  Surface src(4, 1, 32, true), dest(2, 1, 32, true);
  for (int x = 0; x < 4; ++x) SetPixel(src.dc, x, 0, RGB(10 * x, 0, 0));
  SetStretchBltMode(dest.dc, COLORONCOLOR);
  StretchBlt(dest.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(GetRValue(GetPixel(dest.dc, 0, 0)), 10u);
  EXPECT_EQ(GetRValue(GetPixel(dest.dc, 1, 0)), 30u);
}

TEST(StretchBlt, HostileRectanglesStayInsideBothBitmaps) {
  std::mt19937 rng(5);
  Surface src(5, 5, 24, true), dest(4, 4, 32, false);
  src.fillRandom(rng);
  const int values[] = {INT_MIN, -100000, -3, 0, 2, 7, 100000, INT_MAX};
  for (int mode : {HALFTONE, COLORONCOLOR}) {
    SetStretchBltMode(dest.dc, mode);
    for (int trial = 0; trial < 400; ++trial) {
      int a[8];
      for (int& v : a) v = values[rng() % 8];
      StretchBlt(dest.dc, a[0], a[1], a[2], a[3], src.dc, a[4], a[5], a[6], a[7], SRCCOPY);
    }
  }
  // Partly outside: only the covered part changes.
  Surface white(4, 4, 32, true);
  RECT all{0, 0, 4, 4};
  HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(white.dc, &all, brush);
  SetStretchBltMode(white.dc, HALFTONE);
  StretchBlt(white.dc, 2, 2, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(GetPixel(white.dc, 1, 1), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(white.dc, 3, 3), GetPixel(src.dc, 0, 0));
  DeleteObject(brush);
}

TEST(DibBits, ReadAndWriteThePictureLayout) {
  std::mt19937 rng(6);
  Surface s(3, 4, 24, false);
  s.fillRandom(rng);
  BITMAPINFO topDown32{};
  topDown32.bmiHeader.biWidth = 3, topDown32.bmiHeader.biHeight = -4;
  std::vector<std::uint8_t> buffer(3 * 4 * 4, 0xEE);
  EXPECT_EQ(GetDIBits(s.dc, s.bitmap, 0, 4, buffer.data(), &topDown32, DIB_RGB_COLORS), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) {
      const std::uint8_t* p = &buffer[(y * 3 + x) * 4];
      EXPECT_EQ(RGB(p[2], p[1], p[0]), GetPixel(s.dc, x, y));
      EXPECT_EQ(p[3], 0);
    }
  // Written back turned upside down through a bottom-up header: row 0 lands at the bottom.
  Surface t(3, 4, 32, true);
  BITMAPINFO bottomUp32 = topDown32;
  bottomUp32.bmiHeader.biHeight = 4;
  EXPECT_EQ(SetDIBits(t.dc, t.bitmap, 0, 4, buffer.data(), &bottomUp32, DIB_RGB_COLORS), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(GetPixel(t.dc, x, 3 - y), GetPixel(s.dc, x, y));
  // Lines beyond the bitmap are not transferred.
  EXPECT_EQ(GetDIBits(s.dc, s.bitmap, 3, 10, buffer.data(), &topDown32, DIB_RGB_COLORS), 1);
  EXPECT_EQ(GetDIBits(s.dc, s.bitmap, 9, 1, buffer.data(), &topDown32, DIB_RGB_COLORS), 0);
}

TEST(FillRect, LeavesOutTheRightColumnAndBottomRowAndClips) {
  Surface s(4, 4, 32, true);
  HBRUSH brush = CreateSolidBrush(RGB(9, 8, 7));
  RECT r{1, 1, 3, 3};
  EXPECT_EQ(FillRect(s.dc, &r, brush), 1);
  int filled = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) filled += GetPixel(s.dc, x, y) == RGB(9, 8, 7);
  EXPECT_EQ(filled, 4);
  EXPECT_EQ(GetPixel(s.dc, 2, 2), RGB(9, 8, 7));
  EXPECT_EQ(GetPixel(s.dc, 3, 3), 0u);
  RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  FillRect(s.dc, &huge, brush);
  EXPECT_EQ(GetPixel(s.dc, 3, 3), RGB(9, 8, 7));
  DeleteObject(brush);
}

TEST(SetPixel, RefusesPointsOutsideTheBitmap) {
  Surface s(2, 2, 32, true);
  EXPECT_EQ(SetPixel(s.dc, 1, 1, RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(SetPixel(s.dc, 2, 0, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(s.dc, -1, 0, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(s.dc, 0, 2), CLR_INVALID);
  EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
}
