// Quarter and half turns by orientation code (pictures and bitmaps), and turns by any angle.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "corvale.h"
#include "exports/handles.h"
#include "picture/picture.h"
#include "resample_support.h"

namespace {

using corvale::pictureOf;

// A picture whose pixel n (in reading order) has blue n, green 100 + n, red 200 - n and fourth
// byte 50 + n, so every byte shows where it came from.
intptr_t numberedPicture(int width, int height) {
  intptr_t handle = cpic_create(width, height);
  std::uint8_t* p = pictureOf(handle)->pixels;
  for (int n = 0; n < width * height; ++n) {
    p[4 * n] = static_cast<std::uint8_t>(n);
    p[4 * n + 1] = static_cast<std::uint8_t>(100 + n);
    p[4 * n + 2] = static_cast<std::uint8_t>(200 - n);
    p[4 * n + 3] = static_cast<std::uint8_t>(50 + n);
  }
  return handle;
}

// The numbers (blue bytes) of a picture in reading order, after checking that each pixel's other
// three bytes still belong to the same number.
std::vector<int> numbers(intptr_t handle) {
  const corvale::Picture& p = *pictureOf(handle);
  std::vector<int> out;
  for (int n = 0; n < p.width * p.height; ++n) {
    const std::uint8_t* q = p.pixels + 4 * n;
    EXPECT_EQ(q[1], static_cast<std::uint8_t>(100 + q[0]));
    EXPECT_EQ(q[2], static_cast<std::uint8_t>(200 - q[0]));
    EXPECT_EQ(q[3], static_cast<std::uint8_t>(50 + q[0]));  // the fourth byte travels with its pixel
    out.push_back(q[0]);
  }
  return out;
}

std::vector<std::uint8_t> bytesOf(intptr_t handle) {
  const corvale::Picture& p = *pictureOf(handle);
  return {p.pixels, p.pixels + static_cast<std::size_t>(p.width) * p.height * 4};
}

TEST(RotateQuarterTurns, ThreeByTwoExample) {
  intptr_t source = numberedPicture(3, 2);  // 0 1 2 / 3 4 5
  struct Case {
    int code, width, height;
    std::vector<int> numbers;
  };
  for (const Case& c : {Case{6, 2, 3, {3, 0, 4, 1, 5, 2}}, Case{8, 2, 3, {2, 5, 1, 4, 0, 3}},
                        Case{3, 3, 2, {5, 4, 3, 2, 1, 0}}}) {
    intptr_t turned = cpic_rotate90(source, c.code);
    EXPECT_EQ(cpic_getWidth(turned), c.width) << c.code;
    EXPECT_EQ(cpic_getHeight(turned), c.height) << c.code;
    EXPECT_NE(cpic_getHDC(turned), 0);
    EXPECT_EQ(numbers(turned), c.numbers) << c.code;
    cpic_destroy(turned);
  }
  EXPECT_EQ(numbers(source), (std::vector<int>{0, 1, 2, 3, 4, 5}));  // the source is untouched
  cpic_destroy(source);
}

TEST(RotateQuarterTurns, TurnsUndoEachOther) {
  for (auto [w, h] : {std::pair{1, 1}, std::pair{7, 3}, std::pair{16, 9}, std::pair{1, 13}}) {
    intptr_t source = cpic_create(w, h);
    resample_testing::fillRandom(*pictureOf(source), w * 31 + h);
    const std::vector<std::uint8_t> original = bytesOf(source);

    intptr_t right = cpic_rotate90(source, 6);
    intptr_t back = cpic_rotate90(right, 8);
    EXPECT_EQ(bytesOf(back), original) << "6 then 8, " << w << "x" << h;

    intptr_t half = cpic_rotate90(source, 3);
    intptr_t whole = cpic_rotate90(half, 3);
    EXPECT_EQ(bytesOf(whole), original) << "3 twice";

    intptr_t turn = cpic_rotate90(source, 6);
    for (int i = 0; i < 3; ++i) {
      intptr_t next = cpic_rotate90(turn, 6);
      cpic_destroy(turn);
      turn = next;
    }
    EXPECT_EQ(bytesOf(turn), original) << "four quarter turns";
    for (intptr_t p : {source, right, back, half, whole, turn}) cpic_destroy(p);
  }
}

// Every orientation against the direct rule of where stored pixel (x, y) shows on screen: codes
// 5 to 8 store the picture's columns as rows (x and y swap), and the code says which axes run
// backwards once they are swapped.
TEST(RotateQuarterTurns, EveryOrientationPutsEachPixelWhereTheCodeSays) {
  const int w = 5, h = 3;
  intptr_t source = numberedPicture(w, h);
  for (int code = 2; code <= 8; ++code) {
    intptr_t turned = cpic_rotate90(source, code);
    bool swapped = code >= 5;
    int tw = swapped ? h : w, th = swapped ? w : h;
    ASSERT_EQ(cpic_getWidth(turned), tw) << code;
    ASSERT_EQ(cpic_getHeight(turned), th) << code;
    std::vector<int> expected(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int u = swapped ? y : x, v = swapped ? x : y;  // column and row before any mirroring
        bool flipU = code == 2 || code == 3 || code == 6 || code == 7;
        bool flipV = code == 3 || code == 4 || code == 7 || code == 8;
        if (flipU) u = tw - 1 - u;
        if (flipV) v = th - 1 - v;
        expected[static_cast<std::size_t>(v * tw + u)] = y * w + x;
      }
    EXPECT_EQ(numbers(turned), expected) << code;
    cpic_destroy(turned);
  }
  cpic_destroy(source);
}

TEST(RotateQuarterTurns, OtherCodesGiveAnUnchangedCopy) {
  intptr_t source = numberedPicture(4, 3);
  for (int code : {0, 1, 9, -6}) {
    intptr_t copy = cpic_rotate90(source, code);
    EXPECT_EQ(cpic_getWidth(copy), 4) << code;
    EXPECT_EQ(cpic_getHeight(copy), 3) << code;
    EXPECT_EQ(bytesOf(copy), bytesOf(source)) << code;
    EXPECT_NE(pictureOf(copy)->pixels, pictureOf(source)->pixels);
    cpic_destroy(copy);
  }
  cpic_destroy(source);
}

TEST(RotateQuarterTurns, EmptyOrMissingPicturesGiveEmptyPictures) {
  intptr_t empty = cpic_load("no-such-file.png");
  for (intptr_t source : {empty, intptr_t{0}}) {
    intptr_t turned = cpic_rotate90(source, 6);
    EXPECT_EQ(cpic_getWidth(turned), 0);
    EXPECT_EQ(cpic_getHDC(turned), 0);
    cpic_destroy(turned);
  }
  cpic_destroy(empty);
}

std::vector<int> sizeRecord(int width, int height) { return {0, 0, width, height}; }

TEST(RotateBitmaps, ImgRotateMatchesThePictureTurn) {
  for (int code : {6, 8, 3, 1}) {
    intptr_t source = numberedPicture(5, 3);
    intptr_t expected = cpic_rotate90(source, code);
    const int w = cpic_getWidth(expected), h = cpic_getHeight(expected);
    intptr_t dest = cpic_create(w, h);
    const std::vector<int> destSize = sizeRecord(w, h), srcSize = sizeRecord(5, 3);
    imgRotate(destSize.data(), srcSize.data(), cpic_getHDC(source),
              reinterpret_cast<intptr_t>(pictureOf(source)->bitmap), cpic_getHDC(dest),
              reinterpret_cast<intptr_t>(pictureOf(dest)->bitmap), code);
    EXPECT_EQ(bytesOf(dest), bytesOf(expected)) << code;
    for (intptr_t p : {source, expected, dest}) cpic_destroy(p);
  }
}

// The source may be any bitmap of the layer: a bottom-up 24-bit one reads in the picture layout.
TEST(RotateBitmaps, ImgRotateReadsBottomUpBitmaps) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = 3;
  info.bmiHeader.biHeight = 2;  // bottom-up
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::HBITMAP bitmap = gdi::CreateDIBSection(dc, &info, gdi::DIB_RGB_COLORS, &bits);
  ASSERT_NE(bitmap, nullptr);
  gdi::SelectObject(dc, bitmap);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) gdi::SetPixel(dc, x, y, gdi::RGB(0, 0, 3 * y + x));  // blue = number
  intptr_t dest = cpic_create(2, 3);
  const std::vector<int> destSize = sizeRecord(2, 3), srcSize = sizeRecord(3, 2);
  imgRotate(destSize.data(), srcSize.data(), reinterpret_cast<intptr_t>(dc),
            reinterpret_cast<intptr_t>(bitmap), cpic_getHDC(dest),
            reinterpret_cast<intptr_t>(pictureOf(dest)->bitmap), 6);
  const corvale::Picture& p = *pictureOf(dest);
  std::vector<int> blue;
  for (int n = 0; n < 6; ++n) blue.push_back(p.pixels[4 * n]);
  EXPECT_EQ(blue, (std::vector<int>{3, 0, 4, 1, 5, 2}));
  cpic_destroy(dest);
  gdi::DeleteDC(dc);
  gdi::DeleteObject(bitmap);
}

// Size records that do not fit the bitmaps or the turn: nothing is read or written outside them
// (the sanitizer build checks this), and unusable sizes change nothing.
TEST(RotateBitmaps, MismatchedSizeRecordsStayInsideTheBitmaps) {
  intptr_t source = numberedPicture(5, 3);
  intptr_t dest = numberedPicture(4, 4);
  const std::vector<std::uint8_t> before = bytesOf(dest);
  const intptr_t sdc = cpic_getHDC(source), sbm = reinterpret_cast<intptr_t>(pictureOf(source)->bitmap);
  const intptr_t ddc = cpic_getHDC(dest), dbm = reinterpret_cast<intptr_t>(pictureOf(dest)->bitmap);
  for (auto [sw, sh, dw, dh] : {std::array{5, 3, 4, 4}, std::array{50, 30, 2, 9}, std::array{2, 2, 40, 40}}) {
    const std::vector<int> destSize = sizeRecord(dw, dh), srcSize = sizeRecord(sw, sh);
    for (int code : {3, 6, 8, 0}) imgRotate(destSize.data(), srcSize.data(), sdc, sbm, ddc, dbm, code);
  }
  intptr_t untouched = numberedPicture(4, 4);
  for (auto [sw, sh] : {std::pair{0, 3}, std::pair{5, -1}}) {
    const std::vector<int> destSize = sizeRecord(4, 4), srcSize = sizeRecord(sw, sh);
    imgRotate(destSize.data(), srcSize.data(), sdc, sbm, cpic_getHDC(untouched),
              reinterpret_cast<intptr_t>(pictureOf(untouched)->bitmap), 6);
  }
  EXPECT_EQ(bytesOf(untouched), before);
  imgRotate(nullptr, nullptr, sdc, sbm, ddc, dbm, 6);
  for (intptr_t p : {source, dest, untouched}) cpic_destroy(p);
}

TEST(RotateFreely, AngleZeroReproducesTheInteriorAndFillsRowAndColumnZero) {
  intptr_t source = cpic_create(9, 7);
  resample_testing::fillRandom(*pictureOf(source), 21);
  intptr_t dest = cpic_create(9, 7);
  resample_testing::markFourthBytes(pictureOf(dest)->pixels, 9 * 7, 0xEE);
  EXPECT_EQ(cpic_rotate(source, dest, 0.0, 0), 9);
  const corvale::Picture &s = *pictureOf(source), &d = *pictureOf(dest);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      const std::uint8_t* from = (x == 0 || y == 0) ? s.pixels : corvale::pixelAt(s, x, y);
      const std::uint8_t* to = corvale::pixelAt(d, x, y);
      EXPECT_EQ(std::vector<int>(to, to + 3), std::vector<int>(from, from + 3)) << x << "," << y;
      EXPECT_EQ(to[3], 0xEE);
    }
  cpic_destroy(source);
  cpic_destroy(dest);
}

TEST(RotateFreely, CircleKeepsEverythingOutsideTheDisc) {
  const int w = 10, h = 20;
  intptr_t source = cpic_create(w, h);
  resample_testing::fillRandom(*pictureOf(source), 8);
  intptr_t dest = cpic_create(w, h);
  cpic_rotate(source, dest, 0.7, 1);
  const corvale::Picture &s = *pictureOf(source), &d = *pictureOf(dest);
  int inside = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float dx = x - w * 0.5f, dy = y - h * 0.5f;
      if (std::sqrt(dx * dx + dy * dy) < w * 0.5f) {
        ++inside;
        continue;
      }
      const std::uint8_t *from = corvale::pixelAt(s, x, y), *to = corvale::pixelAt(d, x, y);
      EXPECT_EQ(std::vector<int>(to, to + 3), std::vector<int>(from, from + 3)) << x << "," << y;
    }
  EXPECT_GT(inside, 50);
  cpic_destroy(source);
  cpic_destroy(dest);
}

// A quarter turn clockwise of a square: the top rows (red) end up at the right edge.
TEST(RotateFreely, QuarterTurnMovesTheTopEdgeToTheRight) {
  const int n = 16;
  intptr_t source = cpic_create(n, n);
  corvale::Picture& s = *pictureOf(source);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      std::uint8_t* p = corvale::pixelAt(s, x, y);
      p[0] = y < 4 ? 0 : 255;  // blue below
      p[2] = y < 4 ? 255 : 0;  // red on top
    }
  intptr_t dest = cpic_create(n, n);
  cpic_rotate(source, dest, std::numbers::pi / 2, 0);
  const corvale::Picture& d = *pictureOf(dest);
  for (int y = 2; y < n - 2; ++y) {
    for (int x = n - 3; x < n; ++x) EXPECT_EQ(corvale::pixelAt(d, x, y)[2], 255) << x << "," << y;
    for (int x = 1; x < n - 5; ++x) EXPECT_EQ(corvale::pixelAt(d, x, y)[0], 255) << x << "," << y;
  }
  cpic_destroy(source);
  cpic_destroy(dest);
}

TEST(RotateFreely, RefusesADestinationOfAnotherSize) {
  intptr_t source = cpic_create(4, 4);
  resample_testing::fillRandom(*pictureOf(source), 1);
  for (auto [w, h] : {std::pair{3, 3}, std::pair{4, 3}, std::pair{5, 4}}) {
    intptr_t dest = numberedPicture(w, h);
    const std::vector<std::uint8_t> before = bytesOf(dest);
    EXPECT_EQ(cpic_rotate(source, dest, 0.3, 0), 4);
    EXPECT_EQ(bytesOf(dest), before);
    cpic_destroy(dest);
  }
  EXPECT_EQ(cpic_rotate(source, 0, 0.3, 0), 4);
  EXPECT_EQ(cpic_rotate(0, source, 0.3, 0), 0);
  cpic_destroy(source);
}

// A picture turned into itself gives what a turn into a second picture gives.
TEST(RotateFreely, TurningIntoItselfWorksFromACopy) {
  intptr_t source = cpic_create(12, 8);
  resample_testing::fillRandom(*pictureOf(source), 4);
  intptr_t other = cpic_create(12, 8);
  cpic_rotate(source, other, 0.4, 0);
  cpic_rotate(source, source, 0.4, 0);
  for (std::size_t i = 0; i < 12 * 8 * 4; ++i) {
    if (i % 4 == 3) continue;
    ASSERT_EQ(pictureOf(source)->pixels[i], pictureOf(other)->pixels[i]) << i;
  }
  cpic_destroy(source);
  cpic_destroy(other);
}

}  // namespace
