// The planned load (rows streamed into the box stage) against the whole-picture path it replaces:
// load, turn, crop, then the job slots' best-quality resample, byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "picture/planned_load.h"
#include "platform/gdi.h"
#include "resample/resample_best.h"
#include "rotate/rotate.h"
#include "support/test_files.h"

using corvale::LoadPlan;
using corvale::Picture;
using corvale::PixelBand;
using testing_support::TempDir;

namespace {

struct Source {
  int width, height;
  bool grey, progressive;
  std::size_t cutTo = 0;  // keep only this many bytes of the file (a file cut short); 0 keeps all
};

// A picture with detail in every pixel, so that a sum taken in another order or from another
// pixel shows.
std::vector<std::uint8_t> encodeJpeg(const Source& source) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = source.width, cinfo.image_height = source.height;
  cinfo.input_components = source.grey ? 1 : 3;
  cinfo.in_color_space = source.grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  if (source.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(std::size_t(source.width) * cinfo.input_components);
  while (cinfo.next_scanline < cinfo.image_height) {
    const unsigned y = cinfo.next_scanline;
    for (std::size_t i = 0; i < row.size(); ++i)
      row[i] = static_cast<JSAMPLE>((i * 37 + y * 91 + (i * y) % 29 + (i ^ y) * 7) & 0xFF);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  jpeg_destroy_compress(&cinfo);
  if (source.cutTo) bytes.resize(source.cutTo);
  return bytes;
}

// Today's way: the whole picture turned with the engine's turn, the band copied with a bit-block
// transfer, and the destination filled by resampleBestInto.
std::vector<std::uint8_t> wholePicturePath(const Picture& stored, const LoadPlan& plan) {
  Picture upright;
  if (plan.orientation >= 2 && plan.orientation <= 8) corvale::turnInto(stored, upright, plan.orientation);
  const Picture& turned = upright.empty() ? stored : upright;
  Picture cropped, dest;
  corvale::allocatePicture(cropped, plan.band.width, plan.band.height, nullptr);
  gdi::BitBlt(cropped.memoryDc, 0, 0, plan.band.width, plan.band.height, turned.memoryDc, plan.band.left,
              plan.band.top, gdi::SRCCOPY);
  corvale::allocatePicture(dest, plan.width, plan.height, nullptr);
  EXPECT_TRUE(corvale::resampleBestInto(cropped, dest, plan.mode));
  std::vector<std::uint8_t> bytes(dest.pixels, dest.pixels + std::size_t(dest.width) * dest.height * 4);
  for (Picture* p : {&upright, &cropped, &dest}) corvale::releasePicture(*p);
  return bytes;
}

struct Target {
  int width, height;
};

// The band kept: the whole upright picture, or an off-centre band a few pixels in from its edges.
PixelBand bandOf(bool crop, int uprightWidth, int uprightHeight) {
  if (!crop || uprightWidth < 8 || uprightHeight < 8) return {0, 0, uprightWidth, uprightHeight};
  return {uprightWidth / 7, uprightHeight / 5, uprightWidth - uprightWidth / 7 - 3,
          uprightHeight - uprightHeight / 5 - 1};
}

}  // namespace

// Every orientation, with and without a crop, at sizes the box stage reduces (alone and before a
// filter, by factors that do and do not divide the picture), at a size it does not (the whole
// picture path), in every mode and on one to three threads; colour, grey and progressive files,
// a file cut short, and pictures one pixel high or wide; and PNG files made from them by
// ImageMagick: 8 and 16 bits, with an alpha ramp flattened on white, and interlaced; and TIFF
// files in strips, in tiles and with alpha.
TEST(PlannedLoad, GivesTheWholePicturePathsBytes) {
  const std::vector<Source> sources = {{97, 61, false, false}, {640, 427, false, true},
                                       {33, 200, true, false}, {300, 1, false, false},
                                       {1, 257, false, false}, {400, 300, false, false, 6000}};
  const std::vector<Target> targets = {{23, 17}, {10, 200}, {45, 30}, {3, 2}, {130, 90}};
  TempDir dir;
  std::vector<std::string> paths;
  for (std::size_t s = 0; s < sources.size(); ++s) {
    const std::string jpeg = dir.file("photo" + std::to_string(s) + ".jpg");
    testing_support::writeBytes(jpeg, encodeJpeg(sources[s]));
    paths.push_back(jpeg);
    if (sources[s].cutTo) continue;
    const char* pngs[] = {"", "-depth 16", "-alpha set -channel A -fx 'i/w' +channel", "-interlace PNG"};
    const std::string png = jpeg.substr(0, jpeg.size() - 4) + "-" + std::to_string(s % 4) + ".png";
    ASSERT_EQ(std::system(("convert " + jpeg + " " + pngs[s % 4] + " " + png).c_str()), 0);
    paths.push_back(png);
    const char* tiffs[] = {"-define tiff:rows-per-strip=7 -compress lzw",
                           "-define tiff:tile-geometry=32x32 -compress zip",
                           "-alpha set -channel A -fx 'j/h' +channel -define tiff:rows-per-strip=5"};
    const std::string tiff = jpeg.substr(0, jpeg.size() - 4) + ".tif";
    ASSERT_EQ(std::system(("convert " + jpeg + " " + tiffs[s % 3] + " " + tiff).c_str()), 0);
    paths.push_back(tiff);
  }
  int cases = 0, streamedLoads = 0;
  for (const std::string& path : paths) {
    Picture stored;
    corvale::loadPictureFile(path.c_str(), stored, nullptr);
    const std::string storedMessage = corvale::lastLoadMessage();
    ASSERT_FALSE(stored.empty()) << path;
    for (int orientation = 1; orientation <= 8; ++orientation)
      for (bool crop : {false, true})
        for (const Target& target : targets) {
          const bool swapped = corvale::swapsSides(orientation);
          LoadPlan plan;
          plan.orientation = orientation;
          plan.band =
              bandOf(crop, swapped ? stored.height : stored.width, swapped ? stored.width : stored.height);
          plan.width = std::max(1, std::min(target.width, plan.band.width * 3));
          plan.height = std::max(1, std::min(target.height, plan.band.height * 3));
          plan.mode = cases % 4;
          plan.threads = 1 + cases % 3;
          ++cases;
          Picture result;
          const std::string message = corvale::loadPlanned(
                                          path.c_str(),
                                          [&](std::int32_t w, std::int32_t h, LoadPlan& asked) {
                                            EXPECT_EQ(w, stored.width);
                                            EXPECT_EQ(h, stored.height);
                                            asked = plan;
                                            return true;
                                          },
                                          result)
                                          .reason;
          SCOPED_TRACE(path + " orientation " + std::to_string(orientation) + (crop ? " cropped" : "") +
                       " to " + std::to_string(plan.width) + "x" + std::to_string(plan.height) + " mode " +
                       std::to_string(plan.mode));
          EXPECT_EQ(message, storedMessage);
          ASSERT_EQ(result.width, plan.width);
          ASSERT_EQ(result.height, plan.height);
          const std::vector<std::uint8_t> got(result.pixels,
                                              result.pixels + std::size_t(result.width) * result.height * 4);
          ASSERT_EQ(got, wholePicturePath(stored, plan));
          corvale::releasePicture(result);
          const corvale::ReductionPlan reduction =
              corvale::planReduction(plan.band.width, plan.band.height, plan.width, plan.height);
          streamedLoads += reduction.twoStage || plan.mode == 0;
        }
    corvale::releasePicture(stored);
  }
  EXPECT_GT(streamedLoads, cases / 2);  // most cases go through the box stage's rows
}

// A plan refused by its planner, or with a band outside the picture, stops the load with a reason.
TEST(PlannedLoad, StopsOnARefusedPlan) {
  TempDir dir;
  const std::string path = dir.file("photo.jpg");
  testing_support::writeBytes(path, encodeJpeg({40, 30, false, false}));
  Picture result;
  auto refuse = [](std::int32_t, std::int32_t, LoadPlan&) { return false; };
  EXPECT_EQ(corvale::loadPlanned(path.c_str(), refuse, result).reason, corvale::kLoadStoppedByPlanner);
  EXPECT_TRUE(result.empty());
  auto outside = [](std::int32_t, std::int32_t, LoadPlan& plan) {
    plan = {6, {0, 0, 40, 30}, 10, 10, 2, 1};  // turned, the picture is 30 wide
    return true;
  };
  EXPECT_EQ(corvale::loadPlanned(path.c_str(), outside, result).cause, corvale::LoadCause::kPlanRefused);
  EXPECT_TRUE(result.empty());
}
