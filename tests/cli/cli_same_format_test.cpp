// --format same over a mixed folder: each copy is written in its source's format as the source's
// content says, whatever the source's name says (GIF and BMP become PNG), and is named for what
// it is. ImageMagick tells what each copy really is.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cli_run.h"

namespace {

std::string magickFormatOf(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(
      popen(("identify -format %m " + cli_testing::quoted(path)).c_str(), "r"), pclose);
  char buffer[64] = {};
  std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, pipe.get());
  return std::string(buffer, n);
}

class CliSameFormatTest : public cli_testing::CliTest {};

TEST_F(CliSameFormatTest, EachCopyKeepsTheFormatOfItsContent) {
  const std::string jpeg = photo("cameras/canon-ixus.jpg", "camera.jpg");
  // ImageMagick's coder prefix says what each file holds; the name may say otherwise.
  for (const char* made : {"png:drawing.png", "webp:photo.webp", "gif:anim.gif", "bmp3:scan.bmp",
                           "png:misnamed.jpg", "jpeg:disguised.png"}) {
    std::string coder(made), name = coder.substr(coder.find(':') + 1);
    coder.resize(coder.find(':') + 1);
    std::string command = "convert " + cli_testing::quoted(jpeg) + " -resize 64x48 " +
                          cli_testing::quoted(coder + (in() / name).string());
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  ASSERT_EQ(run({"--batch", "--format", "same", "--fixed-folder", out().string(), "--pattern", "%SRC%", "-s",
                 "32x24", in().string()})
                .status,
            0);
  const std::pair<const char*, const char*> expected[] = {
      {"camera.jpg", "JPEG"}, {"drawing.png", "PNG"},  {"photo.webp", "WEBP"},    {"anim.png", "PNG"},
      {"scan.png", "PNG"},    {"misnamed.png", "PNG"}, {"disguised.jpg", "JPEG"},
  };
  for (const auto& [name, format] : expected)
    EXPECT_EQ(magickFormatOf((out() / name).string()), format) << name;
}

}  // namespace
