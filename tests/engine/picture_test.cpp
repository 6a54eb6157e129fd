// The picture object and the picture exports.
#include <gtest/gtest.h>

#include <filesystem>

#include "corvale.h"
#include "picture/picture.h"
#include "support/test_files.h"

using testing_support::TempDir;

TEST(Picture, CreateGivesZeroedTopDownRowsOfFourBytesPerPixel) {
  std::intptr_t handle = cpic_create(3, 2);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(cpic_getWidth(handle), 3);
  EXPECT_EQ(cpic_getHeight(handle), 2);
  auto* picture = reinterpret_cast<corvale::Picture*>(handle);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(picture->pixels[i], 0);
  EXPECT_EQ(corvale::pixelAt(*picture, 0, 1) - picture->pixels, 12);
  // The device context reaches the same memory: a pixel set through it lands at byte 12.
  gdi::HDC dc = reinterpret_cast<gdi::HDC>(cpic_getHDC(handle));
  gdi::SetPixel(dc, 0, 1, gdi::RGB(30, 20, 10));
  EXPECT_EQ(picture->pixels[12], 10);
  EXPECT_EQ(picture->pixels[14], 30);
  cpic_destroy(handle);
  cpic_destroy(0);  // ignored
}

TEST(Picture, SizesThatCannotBeHeldGiveAnEmptyPicture) {
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 3}, {100000, 100000}}) {
    std::intptr_t handle = cpic_create(w, h);
    EXPECT_EQ(cpic_getWidth(handle), 0);
    EXPECT_EQ(cpic_getHeight(handle), 0);
    EXPECT_EQ(cpic_getHDC(handle), 0);
    cpic_destroy(handle);
  }
}

// The content chooses the reader, whatever the name says (the table's own test covers the rest).
TEST(Picture, AJpegLoadsUnderAnyName) {
  TempDir dir;
  auto jpeg = testing_support::readBytes(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"));
  for (const char* name : {"a.JPEG", "b.jpeg", "c.Jpg", "d.jpg", "ejpeg", "f.jpe", "g.png", "i.bmp", "jpg"}) {
    testing_support::writeBytes(dir.file(name), jpeg);
    std::intptr_t handle = cpic_load(dir.file(name).c_str());
    EXPECT_EQ(cpic_getWidth(handle), 600) << name;
    EXPECT_EQ(cpic_getHeight(handle), 450) << name;
    cpic_destroy(handle);
  }
  std::intptr_t missing = cpic_load((dir.path() / "missing.jpg").c_str());
  EXPECT_EQ(cpic_getWidth(missing), 0);
  cpic_destroy(missing);
  std::intptr_t none = cpic_load(nullptr);
  EXPECT_EQ(cpic_getWidth(none), 0);
  cpic_destroy(none);
}

TEST(Picture, LoadJpgHandsOverTheDeviceContextAndBitmap) {
  std::string path = testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg");
  std::int32_t width = -1, height = -1;
  std::intptr_t dc = 0, bitmap = 0, pixels = 0;
  void* result = loadJPG(path.c_str(), 0, &width, &height, &dc, &bitmap, &pixels);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(result), pixels);
  EXPECT_EQ(width, 600);
  EXPECT_EQ(height, 450);
  auto hdc = reinterpret_cast<gdi::HDC>(dc);
  EXPECT_EQ(gdi::GetCurrentBitmap(hdc), reinterpret_cast<gdi::HBITMAP>(bitmap));
  EXPECT_NE(gdi::GetPixel(hdc, 599, 449), gdi::CLR_INVALID);
  gdi::DeleteDC(hdc);
  gdi::DeleteObject(reinterpret_cast<gdi::HBITMAP>(bitmap));

  result = loadJPG("/nonexistent/x.jpg", 0, &width, &height, &dc, &bitmap, &pixels);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  EXPECT_EQ(dc, 0);
  EXPECT_EQ(bitmap, 0);
  EXPECT_EQ(pixels, 0);
}
