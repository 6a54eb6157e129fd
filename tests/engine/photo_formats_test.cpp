// The PNG, WebP, TIFF and HEIF readers against each format's own tools: files written by
// ImageMagick, cwebp/img2webp, libtiff and heif-enc/avifenc from known pixels, decoded by the
// tools (ImageMagick, dwebp, tiff2rgba, heif-convert, avifdec) and by the engine. Lossless files
// must give the same pixels, lossy ones the same pixels as the tool's own decode; transparency
// comes out over white. A test whose tool is missing is skipped (scripts/setup.sh installs them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "support/test_files.h"

using testing_support::TempDir;

namespace {

bool haveTools(std::initializer_list<const char*> tools) {
  for (const char* tool : tools)
    if (std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) != 0) return false;
  return true;
}

#define REQUIRE_TOOLS(...) \
  if (!haveTools({__VA_ARGS__})) GTEST_SKIP() << "missing one of: " #__VA_ARGS__

void run(const std::string& command) {
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

struct Rgb {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;  // red, green, blue
  std::string message;
  corvale::LoadCause cause = corvale::LoadCause::kNone;
};

// The engine's decode of `path`, as rows of red, green and blue.
Rgb ours(const std::string& path) {
  Rgb out;
  corvale::Picture picture;
  corvale::loadPictureFile(path.c_str(), picture, nullptr);
  out.message = corvale::lastLoadMessage();
  out.cause = corvale::lastLoadCause();
  out.width = picture.width, out.height = picture.height;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* p = corvale::pixelAt(picture, x, y);
      out.pixels.insert(out.pixels.end(), {p[2], p[1], p[0]});
    }
  corvale::releasePicture(picture);
  return out;
}

// ImageMagick's decode of `path` (its first page or frame), composited over white, 8 bits.
std::vector<std::uint8_t> magick(const TempDir& dir, const std::string& path) {
  std::string raw = dir.file("oracle.rgb");
  std::system(("convert '" + path + "[0]' -background white -alpha remove -alpha off -depth 8 rgb:" + raw +
               " >/dev/null 2>&1")
                  .c_str());
  return testing_support::readBytes(raw);
}

// The same at 16 bits, each sample then rounded to the nearest of 256 levels (ImageMagick's own
// reduction truncates).
std::vector<std::uint8_t> magickRounded(const TempDir& dir, const std::string& path) {
  std::string raw = dir.file("oracle16.rgb");
  std::system(("convert '" + path +
               "[0]' -background white -alpha remove -alpha off -depth 16 -endian LSB rgb:" + raw +
               " >/dev/null 2>&1")
                  .c_str());
  std::vector<std::uint8_t> wide = testing_support::readBytes(raw), out;
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(((wide[i] | wide[i + 1] << 8) + 128) / 257));
  return out;
}

int maxDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 256;
  int worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

// A 40 x 30 photo-like picture of 16 bits a channel, and the same with an alpha ramp from fully
// transparent on the left to opaque on the right.
void makeSources(const TempDir& dir) {
  run("convert -seed 7 -size 40x30 plasma:fractal -depth 16 " + dir.file("src.png"));
  run("convert " + dir.file("src.png") +
      " \\( -size 30x40 gradient: -rotate 90 \\) -alpha off -compose CopyOpacity " + "-composite -depth 16 " +
      dir.file("alpha.png"));
}

// The picture turned a quarter anticlockwise: output row r is input column width - 1 - r.
std::vector<std::uint8_t> turnedAnticlockwise(const std::vector<std::uint8_t>& rgb, int width, int height) {
  std::vector<std::uint8_t> out;
  for (int r = 0; r < width; ++r)
    for (int c = 0; c < height; ++c)
      for (int k = 0; k < 3; ++k)
        out.push_back(rgb[(static_cast<std::size_t>(c) * width + (width - 1 - r)) * 3 + k]);
  return out;
}

}  // namespace

TEST(PngReader, EveryColourTypeDepthAndInterlaceMatchesImageMagick) {
  REQUIRE_TOOLS("convert");
  TempDir dir;
  makeSources(dir);
  struct Variant {
    const char* name;
    const char* source;
    const char* options;
  };
  const Variant variants[] = {
      {"rgb8", "src", "PNG24:"},
      {"rgb16", "src", "-depth 16 PNG48:"},
      {"rgba8", "alpha", "PNG32:"},
      {"rgba16", "alpha", "PNG64:"},
      {"palette", "src", "-colors 200 PNG8:"},
      {"palette-trns", "alpha", "-channel A -threshold 50% +channel -colors 60 PNG8:"},
      {"grey1", "src", "-colorspace gray -define png:bit-depth=1 -define png:color-type=0 PNG:"},
      {"grey2", "src", "-colorspace gray -define png:bit-depth=2 -define png:color-type=0 PNG:"},
      {"grey4", "src", "-colorspace gray -define png:bit-depth=4 -define png:color-type=0 PNG:"},
      {"grey8", "src", "-colorspace gray -define png:bit-depth=8 -define png:color-type=0 PNG:"},
      {"grey16", "src", "-colorspace gray -define png:bit-depth=16 -define png:color-type=0 PNG:"},
      {"greyalpha8", "alpha", "-colorspace gray -define png:bit-depth=8 -define png:color-type=4 PNG:"},
      {"greyalpha16", "alpha", "-colorspace gray -define png:bit-depth=16 -define png:color-type=4 PNG:"},
      {"interlaced-rgb16", "src", "-interlace PNG -depth 16 PNG48:"},
      {"interlaced-palette", "src", "-interlace PNG -colors 16 PNG8:"},
  };
  for (const Variant& v : variants) {
    std::string path = dir.file(std::string(v.name) + ".png");
    run(std::string("convert ") + dir.file(std::string(v.source) + ".png") + " " + v.options + path);
    Rgb decoded = ours(path);
    EXPECT_EQ(decoded.message, "") << v.name;
    EXPECT_EQ(decoded.width, 40) << v.name;
    // Compositing over white may round one step apart from ImageMagick's; opaque pixels may not.
    int tolerance = std::string(v.source) == "alpha" ? 1 : 0;
    bool sixteen = std::string(v.name).find("16") != std::string::npos;
    EXPECT_LE(maxDifference(decoded.pixels, sixteen ? magickRounded(dir, path) : magick(dir, path)),
              tolerance)
        << v.name;
  }
}

TEST(PngReader, TransparencyIsCompositedOverWhite) {
  REQUIRE_TOOLS("convert");
  TempDir dir;
  std::string path = dir.file("logo.png");
  run("convert -size 2x1 xc:'rgba(0,0,0,0)' -fill 'rgba(255,0,0,0.5)' -draw 'point 1,0' PNG32:" + path);
  Rgb decoded = ours(path);
  ASSERT_EQ(decoded.width, 2);
  EXPECT_EQ(std::vector<std::uint8_t>(decoded.pixels.begin(), decoded.pixels.begin() + 3),
            (std::vector<std::uint8_t>{255, 255, 255}));
  EXPECT_EQ(decoded.pixels[3], 255);
  EXPECT_NEAR(decoded.pixels[4], 128, 1);
  EXPECT_NEAR(decoded.pixels[5], 128, 1);
}

TEST(WebpReader, LosslessLossyAlphaAndAnimationMatchTheirDecoders) {
  REQUIRE_TOOLS("convert", "cwebp", "dwebp", "img2webp");
  TempDir dir;
  makeSources(dir);
  run("convert " + dir.file("src.png") + " -depth 8 PNG24:" + dir.file("src8.png"));
  run("convert " + dir.file("src.png") + " -flop -depth 8 PNG24:" + dir.file("flopped8.png"));
  run("cwebp -quiet -lossless -exact " + dir.file("src8.png") + " -o " + dir.file("lossless.webp"));
  run("cwebp -quiet -q 70 " + dir.file("src8.png") + " -o " + dir.file("lossy.webp"));
  run("cwebp -quiet -q 70 -alpha_q 100 " + dir.file("alpha.png") + " -o " + dir.file("alpha.webp"));
  run("img2webp -loop 0 -lossless " + dir.file("src8.png") + " " + dir.file("flopped8.png") + " -o " +
      dir.file("animated.webp"));
  std::vector<std::uint8_t> source = magick(dir, dir.file("src8.png"));

  EXPECT_EQ(maxDifference(ours(dir.file("lossless.webp")).pixels, source), 0);
  EXPECT_EQ(maxDifference(ours(dir.file("animated.webp")).pixels, source), 0);  // the first frame
  for (const char* lossy : {"lossy", "alpha"}) {
    std::string pam = dir.file(std::string(lossy) + ".pam");
    run("dwebp " + dir.file(std::string(lossy) + ".webp") + " -pam -o " + pam);
    Rgb decoded = ours(dir.file(std::string(lossy) + ".webp"));
    EXPECT_EQ(decoded.message, "");
    EXPECT_LE(maxDifference(decoded.pixels, magick(dir, pam)), std::string(lossy) == "alpha" ? 1 : 0)
        << lossy;
  }
}

TEST(TiffReader, StripsTilesCompressionsDepthsFirstPageAndOrientationMatchLibtiff) {
  REQUIRE_TOOLS("convert", "tiff2rgba");
  TempDir dir;
  makeSources(dir);
  struct Variant {
    const char* name;
    const char* options;
  };
  const Variant variants[] = {
      {"lzw", "-depth 8 -compress lzw"},
      {"tiled-deflate", "-depth 8 -compress zip -define tiff:tile-geometry=16x16"},
      {"rgb16", "-depth 16 -compress none"},
      {"grey16", "-colorspace gray -depth 16 -compress lzw"},
      {"palette", "-depth 8 -colors 16 -type palette -compress rle"},
      {"jpeg", "-depth 8 -compress jpeg -quality 80"},
      {"cmyk", "-depth 8 -colorspace cmyk"},
      {"alpha", "-depth 8 -compress lzw"},
  };
  for (const Variant& v : variants) {
    std::string path = dir.file(std::string(v.name) + ".tif");
    std::string source = std::string(v.name) == "alpha" ? "alpha.png" : "src.png";
    run("convert " + dir.file(source) + " " + v.options + " " + path);
    // libtiff's own decode, written uncompressed as RGBA and read back through ImageMagick.
    std::string rgba = dir.file(std::string(v.name) + "-rgba.tif");
    run("tiff2rgba -c none " + path + " " + rgba);
    Rgb decoded = ours(path);
    EXPECT_EQ(decoded.message, "") << v.name;
    EXPECT_EQ(decoded.width, 40) << v.name;
    EXPECT_LE(maxDifference(decoded.pixels, magick(dir, rgba)), std::string(v.name) == "alpha" ? 1 : 0)
        << v.name;
  }
  // Two pages: the first is read.
  std::string pages = dir.file("pages.tiff");
  run("convert " + dir.file("src.png") + " \\( " + dir.file("src.png") +
      " -negate \\) -depth 8 -compress lzw " + pages);
  EXPECT_EQ(maxDifference(ours(pages).pixels, magick(dir, dir.file("lzw.tif"))), 0);

  // Every Orientation value comes out upright, as ImageMagick's -auto-orient turns it.
  if (!haveTools({"tiffset"})) return;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    std::string turned = dir.file("turned" + std::to_string(orientation) + ".tif");
    std::filesystem::copy_file(dir.file("lzw.tif"), turned);
    run("tiffset -s 274 " + std::to_string(orientation) + " " + turned);
    run("convert " + turned + " -auto-orient " + dir.file("upright.png"));
    Rgb decoded = ours(turned);
    EXPECT_EQ(decoded.width, orientation >= 5 ? 30 : 40) << orientation;
    EXPECT_EQ(maxDifference(decoded.pixels, magick(dir, dir.file("upright.png"))), 0) << orientation;
  }
}

TEST(HeifReader, HeicAndAvifMatchTheirOwnDecodersAndTheContainerTurnsThePicture) {
  REQUIRE_TOOLS("convert", "heif-enc", "heif-convert", "avifenc", "avifdec");
  TempDir dir;
  makeSources(dir);
  run("convert " + dir.file("src.png") + " -depth 8 PNG24:" + dir.file("src8.png"));
  run("heif-enc -q 60 " + dir.file("src8.png") + " -o " + dir.file("photo.heic"));
  run("heif-enc -q 60 " + dir.file("alpha.png") + " -o " + dir.file("alpha.heif"));
  run("avifenc -s 8 --min 10 --max 30 " + dir.file("src8.png") + " " + dir.file("photo.avif"));
  for (const char* name : {"photo.heic", "alpha.heif", "photo.avif"}) {
    std::string decodedByTool = dir.file(std::string(name) + ".png");
    run("heif-convert " + dir.file(name) + " " + decodedByTool);
    Rgb decoded = ours(dir.file(name));
    EXPECT_EQ(decoded.message, "") << name;
    EXPECT_EQ(decoded.width, 40) << name;
    EXPECT_LE(maxDifference(decoded.pixels, magick(dir, decodedByTool)),
              std::string(name) == "alpha.heif" ? 2 : 0)
        << name;
  }
  // avifdec's own decode is near libheif's (each converts YUV to RGB its own way).
  run("avifdec " + dir.file("photo.avif") + " " + dir.file("avifdec.png"));
  EXPECT_LE(maxDifference(ours(dir.file("photo.avif")).pixels, magick(dir, dir.file("avifdec.png"))), 3);

  // A lossless AVIF whose container says "turn a quarter anticlockwise": the picture comes out
  // turned, 30 x 40 (avifdec leaves the turn to its caller).
  run("avifenc -s 8 --lossless --irot 1 " + dir.file("src8.png") + " " + dir.file("turned.AVIF"));
  Rgb turned = ours(dir.file("turned.AVIF"));
  ASSERT_EQ(turned.width, 30);
  ASSERT_EQ(turned.height, 40);
  EXPECT_EQ(maxDifference(turned.pixels, turnedAnticlockwise(magick(dir, dir.file("src8.png")), 40, 30)), 0);
}

// Cut short or damaged, every file is named with a reason or loads; nothing crashes.
TEST(PhotoFormats, CutShortAndDamagedFilesGiveAReason) {
  REQUIRE_TOOLS("convert", "cwebp", "heif-enc");
  TempDir dir;
  makeSources(dir);
  run("convert " + dir.file("src.png") + " -depth 8 PNG24:" + dir.file("whole.png"));
  run("convert " + dir.file("src.png") + " -depth 8 -compress lzw " + dir.file("whole.tif"));
  run("cwebp -quiet " + dir.file("whole.png") + " -o " + dir.file("whole.webp"));
  run("heif-enc " + dir.file("whole.png") + " -o " + dir.file("whole.heic"));
  for (const char* extension : {".png", ".tif", ".webp", ".heic"}) {
    auto bytes = testing_support::readBytes(dir.file(std::string("whole") + extension));
    ASSERT_GT(bytes.size(), 100u);
    for (std::size_t keep : {std::size_t{0}, std::size_t{7}, bytes.size() / 2, bytes.size() - 1}) {
      std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep));
      std::string path = dir.file(std::string("CUT") + extension);
      testing_support::writeBytes(path, cut);
      Rgb decoded = ours(path);
      if (decoded.width == 0) {
        EXPECT_NE(decoded.message, "") << extension << " cut at " << keep;
      }
    }
    std::vector<std::uint8_t> damaged = bytes;
    for (std::size_t i = 40; i < damaged.size(); i += 7) damaged[i] ^= 0x5A;
    testing_support::writeBytes(dir.file(std::string("damaged") + extension), damaged);
    Rgb decoded = ours(dir.file(std::string("damaged") + extension));
    if (decoded.width == 0) {
      EXPECT_NE(decoded.message, "") << extension;
    }
  }
  auto png = testing_support::readBytes(dir.file("whole.png"));
  png.resize(png.size() / 2);
  testing_support::writeBytes(dir.file("half.PNG"), png);
  EXPECT_EQ(ours(dir.file("half.PNG")).message, "is cut short in its pixels");
  testing_support::writeBytes(dir.file("not.webp"), std::vector<std::uint8_t>(64, 'x'));
  EXPECT_EQ(ours(dir.file("not.webp")).message, "is not a WebP file");
  testing_support::writeBytes(dir.file("not.HEIC"), std::vector<std::uint8_t>(64, 'x'));
  EXPECT_EQ(ours(dir.file("not.HEIC")).message, "is not a HEIF file");
}

// A copy of any format cut at a tenth, a half or nine tenths is never a clean load: it is refused
// with its reason, or loaded with a warning the batch names.
TEST(PhotoFormats, CutCopiesOfEveryFormatAreNamed) {
  REQUIRE_TOOLS("convert", "cwebp", "heif-enc", "JxrEncApp");
  TempDir dir;
  makeSources(dir);
  std::string png = dir.file("whole.png");
  run("convert " + dir.file("src.png") + " -depth 8 PNG24:" + png);
  run("convert " + png + " BMP3:" + dir.file("whole.bmp"));
  run("convert " + png + " " + dir.file("whole.gif"));
  run("convert " + png + " " + dir.file("whole.jpg"));
  run("convert " + png + " -compress lzw " + dir.file("whole.tif"));
  run("cwebp -quiet " + png + " -o " + dir.file("whole.webp"));
  run("heif-enc " + png + " -o " + dir.file("whole.heic"));
  run("JxrEncApp -i " + dir.file("whole.bmp") + " -o " + dir.file("whole.jxr"));
  for (const char* extension : {".bmp", ".gif", ".jxr", ".jpg", ".png", ".tif", ".webp", ".heic"}) {
    auto bytes = testing_support::readBytes(dir.file(std::string("whole") + extension));
    ASSERT_GT(bytes.size(), 100u) << extension;
    EXPECT_EQ(ours(dir.file(std::string("whole") + extension)).cause, corvale::LoadCause::kNone) << extension;
    for (std::size_t tenths : {1, 5, 9}) {
      std::vector<std::uint8_t> cut(bytes.begin(),
                                    bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() * tenths / 10));
      std::string path = dir.file(std::string("cut") + extension);
      testing_support::writeBytes(path, cut);
      Rgb decoded = ours(path);
      EXPECT_NE(decoded.message, "") << extension << " cut at " << tenths << " tenths";
      EXPECT_EQ(decoded.width > 0, decoded.cause == corvale::LoadCause::kWarnings)
          << extension << " cut at " << tenths << " tenths: " << decoded.message;
    }
  }
  // An image sequence is named for what it is; an AVIF sequence's name is read like .avif.
  std::vector<std::uint8_t> sequence = {0, 0, 0, 24, 'f', 't', 'y', 'p', 'm', 's', 'f', '1',
                                        0, 0, 0, 0,  'm', 's', 'f', '1', 'i', 's', 'o', '8'};
  testing_support::writeBytes(dir.file("clip.heic"), sequence);
  EXPECT_EQ(ours(dir.file("clip.heic")).message, "is a HEIF image sequence");
  std::filesystem::copy_file(dir.file("whole.heic"), dir.file("first.AVIFS"));
  EXPECT_EQ(ours(dir.file("first.AVIFS")).width, 40);
}

// A PNG header declaring far more pixels than its data could code is refused before anything
// is allocated, as is one beyond the memory limit.
TEST(PngReader, DeclaredSizesAreCheckedBeforeAllocating) {
  REQUIRE_TOOLS("convert");
  TempDir dir;
  std::string path = dir.file("small.png");
  run("convert -size 1x1 xc:red PNG24:" + path);
  auto bytes = testing_support::readBytes(path);
  auto withSize = [&](std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> b = bytes;
    for (int i = 0; i < 4; ++i) {
      b[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
      b[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    // The header's CRC over its type and data, so that only the size is wrong.
    std::uint32_t crc = 0xFFFFFFFF;
    for (int i = 12; i < 29; ++i) {
      crc ^= b[i];
      for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    crc ^= 0xFFFFFFFF;
    for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    testing_support::writeBytes(path, b);
    return ours(path).message;
  };
  EXPECT_EQ(withSize(20000, 20000), "is too short for its size (20000 x 20000)");
  EXPECT_EQ(withSize(100000, 100000), "is too large for memory (100000 x 100000)");
}

// The reader follows the content: a JPEG named .png (as web pages save them), a PNG named .jpg
// and a JPEG without an extension read exactly like the same files under their own names; a file
// no signature matches goes to the reader its extension names, which says what is wrong with it.
TEST(FormatTable, TheContentChoosesTheReader) {
  REQUIRE_TOOLS("convert");
  TempDir dir;
  std::string jpeg = testing_support::samplePhoto("cameras/canon-ixus.jpg");
  std::string png = dir.file("real.png");
  run("convert '" + jpeg + "' -resize 64x48 " + png);
  Rgb fromJpeg = ours(jpeg), fromPng = ours(png);
  ASSERT_GT(fromJpeg.width, 0);
  ASSERT_GT(fromPng.width, 0);
  for (const auto& [source, misnamed] : {std::pair{jpeg, dir.file("photo.png")},
                                         {png, dir.file("logo.jpg")},
                                         {jpeg, dir.file("no-extension")}}) {
    std::filesystem::copy_file(source, misnamed);
    Rgb read = ours(misnamed), expected = source == jpeg ? fromJpeg : fromPng;
    EXPECT_EQ(read.message, "") << misnamed;
    EXPECT_EQ(read.pixels, expected.pixels) << misnamed;
  }
  std::string text(200, 'x');
  testing_support::writeBytes(dir.file("notes.bmp"), std::vector<std::uint8_t>(text.begin(), text.end()));
  testing_support::writeBytes(dir.file("notes.txt"), std::vector<std::uint8_t>(text.begin(), text.end()));
  EXPECT_EQ(ours(dir.file("notes.bmp")).message, "is not a BMP file");
  EXPECT_EQ(ours(dir.file("notes.txt")).message, "is not a picture this engine reads");
}
