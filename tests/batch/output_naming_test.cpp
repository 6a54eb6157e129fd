// Output names: tags, extension rules and the search for a free counter value.
#include "output/output_naming.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using testing_support::TempDir;
using testing_support::writeBytes;

class OutputNamingTest : public ::testing::Test {
 protected:
  void SetUp() override { settings = Settings{}; }
  std::int32_t counter = 1;  // the run's counter
  void TearDown() override { settings = Settings{}; }
  std::string folder() const { return dir.path().string() + "/"; }
  TempDir dir;
};

TEST_F(OutputNamingTest, ExtensionRules) {
  struct Case {
    const char* source;
    const char* expected;
  };
  const Case cases[] = {
      {"a.JPG", "a_800x600.JPG"},   {"a.jpg", "a_800x600.jpg"},
      {"b.Jpeg", "b_800x600.jpeg"}, {"b.JPEG", "b_800x600.jpeg"},
      {"d.BMP", "d_800x600.jpg"},   {"e.gif", "e_800x600.jpg"},
      {"f.Wdp", "f_800x600.jpg"},   {"g.HDP", "g_800x600.jpg"},
      {"h.tiff", "h_800x600.jpg"},  {"my.photo.jpg", "my.photo_800x600.jpg"},
      {"i.PNG", "i_800x600.jpg"},   {"j.WebP", "j_800x600.jpg"},
      {"k.HEIC", "k_800x600.jpg"},  {"l.avif", "l_800x600.jpg"},
      {".jpg", "_800x600.jpg"},     {"ab", "ab_800x600.jpg"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MakeOutputName(c.source, 800, 600, folder(), counter), c.expected) << c.source;
  EXPECT_EQ(counter, 1);
}

TEST_F(OutputNamingTest, SizeTagsAreTheOutputSize) {
  settings.OutputFilenamePattern = "%DSTX%-%DSTY%-%DSTX%_%SRC%";
  EXPECT_EQ(MakeOutputName("p.jpg", 1024, 7, "", counter), "1024-7-1024_p.jpg");
}

TEST_F(OutputNamingTest, TagsAreCaseSensitive) {
  settings.OutputFilenamePattern = "%src%_%Src%_%SRC%_%n%";
  EXPECT_EQ(MakeOutputName("p.jpg", 1, 1, folder(), counter), "%src%_%Src%_p_%n%.jpg");
  EXPECT_EQ(counter, 1);
}

TEST_F(OutputNamingTest, SourceNameHoldingATagIsExpandedToo) {
  EXPECT_EQ(MakeOutputName("x%DSTY%.jpg", 800, 600, "", counter), "x600_800x600.jpg");
}

TEST_F(OutputNamingTest, CounterSkipsNamesThatExist) {
  settings.OutputFilenamePattern = "img_%N3%";
  counter = 7;
  writeBytes(dir.file("img_007.jpg"), {0});
  EXPECT_EQ(MakeOutputName("a.jpg", 800, 600, folder(), counter), "img_008.jpg");
  EXPECT_EQ(counter, 9);
}

TEST_F(OutputNamingTest, AllCounterTagsShowOneValue) {
  settings.OutputFilenamePattern = "%N%-%N4%";
  counter = 12;
  EXPECT_EQ(MakeOutputName("a.jpg", 800, 600, folder(), counter), "12-0012.jpg");
  EXPECT_EQ(counter, 13);
  settings.OutputFilenamePattern = "%N%_%N2%_%N3%_%N4%_%N5%_%N6%";
  EXPECT_EQ(MakeOutputName("a.jpg", 800, 600, folder(), counter), "13_13_013_0013_00013_000013.jpg");
  counter = 123;
  settings.OutputFilenamePattern = "%N2%";
  EXPECT_EQ(MakeOutputName("a.jpg", 800, 600, folder(), counter), "123.jpg");
}

TEST_F(OutputNamingTest, ExampleWithoutFolderLeavesTheCounter) {
  settings.OutputFilenamePattern = "%SRC%_%N2%";
  writeBytes(dir.file("MyPicture_01.jpg"), {0});  // never looked at without a folder
  EXPECT_EQ(MakeOutputName("MyPicture.jpg", 1024, 768, "", counter), "MyPicture_01.jpg");
  EXPECT_EQ(counter, 1);
}

TEST_F(OutputNamingTest, ExistingNameWithoutCounterIsReturnedAsIs) {
  writeBytes(dir.file("a_800x600.jpg"), {0});
  EXPECT_EQ(MakeOutputName("a.jpg", 800, 600, folder(), counter), "a_800x600.jpg");
  EXPECT_EQ(counter, 1);
}

TEST_F(OutputNamingTest, CounterRunsOnAcrossPhotos) {
  settings.OutputFilenamePattern = "%N%";
  for (int expected = 1; expected <= 3; ++expected)
    EXPECT_EQ(MakeOutputName("a.bmp", 8, 8, folder(), counter), std::to_string(expected) + ".jpg");
  EXPECT_EQ(counter, 4);
}

TEST_F(OutputNamingTest, CounterStopsAtItsLargestValue) {
  settings.OutputFilenamePattern = "%N%";
  counter = 2147483646;
  writeBytes(dir.file("2147483646.jpg"), {0});
  writeBytes(dir.file("2147483647.jpg"), {0});
  EXPECT_EQ(MakeOutputName("a.jpg", 8, 8, folder(), counter), "2147483647.jpg");
  EXPECT_EQ(counter, 2147483647);
}

}  // namespace
}  // namespace lumivex
