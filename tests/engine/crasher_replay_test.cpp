// Replays every input that ever crashed a reader: each must load as a picture or as nothing with
// its reason, never crash, hang or trip a sanitizer.
#include <gtest/gtest.h>

#include <filesystem>

#include "picture/picture.h"
#include "support/test_files.h"

namespace {

struct Reader {
  const char* folder;
  const char* extension;
};

}  // namespace

TEST(CrasherReplay, EveryKnownCrasherLoadsSafely) {
  testing_support::TempDir dir;
  int replayed = 0;
  for (Reader reader : {Reader{"jpeg", ".jpg"},
                        {"bmp", ".bmp"},
                        {"gif", ".gif"},
                        {"hdphoto", ".wdp"},
                        {"png", ".png"},
                        {"webp", ".webp"},
                        {"tiff", ".tif"},
                        {"heif", ".heic"}}) {
    for (const std::string& path : testing_support::crasherFiles(reader.folder)) {
      std::string copy = dir.file(std::string("input") + reader.extension);
      std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
      corvale::Picture picture;
      corvale::loadPictureFile(copy.c_str(), picture, nullptr);
      EXPECT_TRUE(picture.empty() == (picture.width == 0)) << path;
      if (picture.empty()) {
        EXPECT_STRNE(corvale::lastLoadMessage(), "") << path;  // refusals say why
      }
      corvale::releasePicture(picture);
      ++replayed;
    }
  }
  RecordProperty("replayed", replayed);
}
