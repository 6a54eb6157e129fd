// The real `lumivex --batch` binary with a file size limit and with several sizes in one run:
// every output under its limit at the highest quality that fits (the next quality, made by the
// program itself, does not), the warning when even the lowest does not fit, the names and
// folders of several sizes, and libjpeg-turbo decoding every output without a complaint.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "cli_run.h"

namespace {

using namespace cli_testing;
using lumivex::PictureSize;

struct DecodeOutcome {
  bool clean = false;  // decoded to the last row with neither error nor warning
  PictureSize size;
};

struct ErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  int warnings = 0;
};

void jumpOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }
void countWarning(j_common_ptr info, int level) {
  if (level < 0) ++reinterpret_cast<ErrorJump*>(info->err)->warnings;
}

// A complete decode by libjpeg-turbo.
DecodeOutcome decodeFully(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return {};
  jpeg_decompress_struct info;
  ErrorJump error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jumpOnError;
  error.manager.emit_message = countWarning;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file.get());
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(info.output_width) * info.output_components);
  JSAMPROW rows[1] = {row.data()};
  while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, rows, 1);
  jpeg_finish_decompress(&info);
  DecodeOutcome outcome{
      error.warnings == 0,
      {static_cast<std::int32_t>(info.output_width), static_cast<std::int32_t>(info.output_height)}};
  jpeg_destroy_decompress(&info);
  return outcome;
}

std::uintmax_t fileBytes(const fs::path& path) { return fs::file_size(path); }

// The quality the output line of `photoName` tells: "a.jpg -> PATH (quality N)"; 0 when none.
int qualityShown(const std::string& out, const std::string& photoName) {
  std::size_t line = out.find(photoName + " -> ");
  if (line == std::string::npos) return 0;
  std::size_t end = out.find('\n', line);
  std::size_t quality = out.find("(quality ", line);
  if (quality == std::string::npos || quality > end) return 0;
  return std::atoi(out.c_str() + quality + 9);
}

class SizesTest : public CliTest {
 protected:
  // Every file below the folder decodes cleanly; their sizes, by relative name.
  std::map<std::string, PictureSize> decodedBelow(const fs::path& folder) {
    std::map<std::string, PictureSize> sizes;
    for (const std::string& name : filesBelow(folder)) {
      DecodeOutcome decoded = decodeFully((folder / name).string());
      EXPECT_TRUE(decoded.clean) << name;
      sizes[name] = decoded.size;
    }
    return sizes;
  }
};

TEST_F(SizesTest, EachOutputIsTheHighestQualityUnderItsLimit) {
  struct Case {
    const char* sample;
    const char* size;
    const char* limit;
    std::uintmax_t bytes;
  };
  const Case cases[] = {{"cameras/jolla.jpg", "1600x1600", "150k", 150 * 1024},
                        {"cameras/jolla.jpg", "1024x1024", "60k", 60 * 1024},
                        {"cameras/canon_hdr_YES.jpg", "2048x2048", "0.4m", 419430},
                        {"cameras/nikon-e950.jpg", "800x800", "45000", 45000}};
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sample) + " " + c.limit);
    std::string folder = (out() / std::to_string(++index)).string();
    std::string source = photo(c.sample, std::to_string(index) + ".jpg");
    std::vector<std::string> common = {"--batch", "--exif", "-s", c.size, "--fixed-folder"};
    std::vector<std::string> limited = common;
    limited.insert(limited.end(), {folder, "-q", "92", "--max-size", c.limit, source});
    Result result = run(limited);
    ASSERT_EQ(result.status, 0) << result.err;
    fs::path output = fs::path(folder) / filesBelow(folder).at(0);
    EXPECT_LE(fileBytes(output), c.bytes);
    EXPECT_TRUE(decodeFully(output.string()).clean);
    int quality = qualityShown(result.out, std::to_string(index) + ".jpg");
    ASSERT_GE(quality, 10) << result.out;
    ASSERT_LT(quality, 92) << "the limit should have lowered the quality";
    // The next quality, made plainly by the program, is too large.
    std::string higher = folder + "_next";
    std::vector<std::string> plain = common;
    plain.insert(plain.end(), {higher, "-q", std::to_string(quality + 1), source});
    ASSERT_EQ(run(plain).status, 0);
    EXPECT_GT(fileBytes(fs::path(higher) / filesBelow(higher).at(0)), c.bytes);
  }
}

TEST_F(SizesTest, APhotoThatCannotFitIsWrittenAtTheLowestQualityWithAWarning) {
  std::string source = photo("cameras/jolla.jpg", "big.jpg");
  Result result =
      run({"--batch", "-s", "1200x1200", "--fixed-folder", out().string(), "--max-size", "10k", source});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(qualityShown(result.out, "big.jpg"), 10) << result.out;
  EXPECT_NE(result.err.find("big.jpg: written as "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("larger than 10 KB at the lowest quality"), std::string::npos) << result.err;
  EXPECT_TRUE(decodeFully((out() / "big_1200x900.jpg").string()).clean);
  // Without a limit the output line is as it always was.
  Result plain = run({"--batch", "-s", "100x100", "--fixed-folder", (out() / "plain").string(), source});
  EXPECT_EQ(plain.out.find("(quality"), std::string::npos) << plain.out;
  EXPECT_EQ(run({"--batch", "--max-size", "lots", source}).status, 2);
}

TEST_F(SizesTest, SeveralSizesWithEachKindOfPattern) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");  // 4:3
  std::string b = photo("orientation/portrait_1.jpg", "b.jpg");       // 3:4
  auto sizes = [&](const std::string& name, std::vector<std::string> options) {
    std::string folder = (out() / name).string();
    options.insert(options.begin(), "--batch");
    options.insert(options.end(), {"--fixed-folder", folder, a, b});
    Result result = run(options);
    EXPECT_EQ(result.status, 0) << result.err;
    return result;
  };
  // The default pattern holds the sizes; the progress and the summary count every copy.
  Result both = sizes("default", {"-s", "160x160", "--size", "320x320"});
  EXPECT_NE(both.out.find("2 photos, 4 copies: 4 written"), std::string::npos) << both.out;
  EXPECT_EQ(decodedBelow(out() / "default"),
            (std::map<std::string, PictureSize>{{"a_160x120.jpg", {160, 120}},
                                                {"a_320x240.jpg", {320, 240}},
                                                {"b_120x160.jpg", {120, 160}},
                                                {"b_240x320.jpg", {240, 320}}}));
  // A pattern without size tags gets the size appended, a counter too; a ";" text is the same as
  // a repeated option.
  sizes("plain", {"-s", "160x160; 320x320", "-p", "%SRC%_small"});
  EXPECT_EQ(filesBelow(out() / "plain"),
            (std::vector<std::string>{"a_small_160x120.jpg", "a_small_320x240.jpg", "b_small_120x160.jpg",
                                      "b_small_240x320.jpg"}));
  sizes("counter", {"-s", "160x160", "-s", "320x320", "-p", "web%N3%"});
  EXPECT_EQ(filesBelow(out() / "counter").size(), 4u);
  // Folders named by the size keep the copies apart without a suffix.
  sizes("%WIDTH%x%HEIGHT%", {"-s", "160x160", "-s", "320x320", "-p", "%SRC%"});
  EXPECT_EQ(decodedBelow(out() / "160x160"),
            (std::map<std::string, PictureSize>{{"a.jpg", {160, 120}}, {"b.jpg", {120, 160}}}));
  EXPECT_EQ(decodedBelow(out() / "320x320"),
            (std::map<std::string, PictureSize>{{"a.jpg", {320, 240}}, {"b.jpg", {240, 320}}}));
  EXPECT_EQ(decodedBelow(out() / "counter").size(), 4u);
}

TEST_F(SizesTest, SeveralSizesWithCropEqualSingleRunsByteForByte) {
  // Turned by its Exif orientation: 50% is half of the upright photo.
  std::string a = photo("cameras/canon_hdr_YES.jpg", "a.jpg");
  std::vector<std::string> common = {"--batch", "--crop", "--rotate", "exif", "--exif", "--max-size", "30k"};
  auto runInto = [&](const std::string& folder, const std::vector<std::string>& sizeOptions) {
    std::vector<std::string> options = common;
    options.insert(options.end(), sizeOptions.begin(), sizeOptions.end());
    options.insert(options.end(), {"--fixed-folder", (out() / folder).string(), a});
    Result result = run(options);
    EXPECT_EQ(result.status, 0) << result.err;
  };
  runInto("all", {"-s", "300x300", "-s", "400x100", "-s", "50%"});
  EXPECT_EQ(
      decodedBelow(out() / "all"),
      (std::map<std::string, PictureSize>{
          {"a_300x300.jpg", {300, 300}}, {"a_400x100.jpg", {400, 100}}, {"a_768x1024.jpg", {768, 1024}}}));
  for (const char* size : {"300x300", "400x100", "50%"}) {
    runInto(size, {"-s", size});
    std::string name = filesBelow(out() / size).at(0);
    EXPECT_EQ(testing_support::readBytes((out() / size / name).string()),
              testing_support::readBytes((out() / "all" / name).string()))
        << size;
  }
}

}  // namespace
