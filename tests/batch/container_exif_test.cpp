// The Exif blocks of TIFF files and HEIF Exif items: built from the file's IFDs (ImageMagick and
// exiftool write the source), and never read or written outside the bytes of damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "metadata/heif_metadata.h"
#include "metadata/tiff_exif_block.h"
#include "metadata/tiff_structure.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::uint16_t> tagsOf(const std::optional<TiffIfd>& ifd) {
  std::vector<std::uint16_t> tags;
  if (ifd)
    for (const TiffEntry& e : ifd->entries) tags.push_back(e.tag);
  return tags;
}

// What a block must be whatever the file: within an APP1 segment, its IFD0 readable.
void expectSound(const std::optional<Bytes>& block) {
  if (!block) return;
  ASSERT_LE(block->size(), 65533u);
  EXPECT_TRUE(TiffStructure(*block, 6).ifd0().has_value());
}

TEST(TiffExifBlock, DescriptiveFieldsAndSubIfdsTravelNotThePixelLayout) {
  if (std::system("command -v exiftool >/dev/null && command -v convert >/dev/null"))
    GTEST_SKIP() << "needs exiftool and convert";
  testing_support::TempDir dir;
  std::string path = dir.file("tagged.tif");
  ASSERT_EQ(std::system(("convert -size 16x8 xc:red -compress lzw " + path +
                         " && exiftool -q -overwrite_original -Make=Acme -Artist=Me "
                         "'-DateTimeOriginal=2021:05:06 07:08:09' -GPSLatitude=48.1 " +
                         path)
                            .c_str()),
            0);
  Bytes file = testing_support::readBytes(path);
  std::optional<Bytes> block = BuildExifFromTiff(file);
  ASSERT_TRUE(block);
  TiffStructure copy(*block, 6), source(file, 0);
  std::optional<TiffIfd> ifd0 = copy.ifd0();
  std::vector<std::uint16_t> tags = tagsOf(ifd0);
  for (std::uint16_t tag : {0x010F, 0x013B, 0x8769, 0x8825})
    EXPECT_NE(std::find(tags.begin(), tags.end(), tag), tags.end()) << tag;
  for (std::uint16_t tag : {0x0100, 0x0103, 0x0111, 0x0117, 0x0102})  // size, compression, strips, depth
    EXPECT_EQ(std::find(tags.begin(), tags.end(), tag), tags.end()) << tag;
  // The sub-IFDs hold the same entries with the same value bytes, wherever those now lie.
  for (std::uint16_t pointer : {kExifIfdTag, kGpsIfdTag}) {
    std::optional<TiffIfd> from = source.subIfd(*source.ifd0(), pointer), to = copy.subIfd(*ifd0, pointer);
    ASSERT_TRUE(from && to);
    ASSERT_EQ(tagsOf(from), tagsOf(to));
    for (std::size_t i = 0; i < from->entries.size(); ++i) {
      auto a = source.valueOf(from->entries[i]), b = copy.valueOf(to->entries[i]);
      ASSERT_TRUE(a && b);
      EXPECT_TRUE(std::equal(a->begin(), a->end(), b->begin(), b->end()));
    }
  }
  // Every cut and a scrambled copy: whatever comes out is sound.
  for (std::size_t cut = 0; cut < file.size(); cut += 1 + cut / 64)
    expectSound(BuildExifFromTiff(std::span(file).first(cut)));
  for (std::size_t i = 4; i < file.size(); i += 5) file[i] = static_cast<std::uint8_t>(file[i] * 31 + 7);
  expectSound(BuildExifFromTiff(file));
}

// A hand-made file whose Exif pointer points back at IFD0 and whose values claim more bytes than
// there are: the loop is walked once, the impossible values are left out.
TEST(TiffExifBlock, LoopsAndImpossibleCountsStayInsideTheFile) {
  Bytes file = {'I',  'I',  42, 0, 8,    0,    0,    0,                    //
                3,    0,                                                   // three entries
                0x0F, 0x01, 2,  0, 0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0, 0, 0,  // Make: 4 GB of text
                0x12, 0x01, 3,  0, 1,    0,    0,    0,    6,    0, 0, 0,  // Orientation 6
                0x69, 0x87, 4,  0, 1,    0,    0,    0,    8,    0, 0, 0,  // Exif IFD = IFD0
                0,    0,    0,  0};
  std::optional<Bytes> block = BuildExifFromTiff(file);
  ASSERT_TRUE(block);
  expectSound(block);
  TiffStructure copy(*block, 6);
  EXPECT_EQ(tagsOf(copy.ifd0()), (std::vector<std::uint16_t>{0x0112, 0x8769}));
  MarkExifUpright(*block);
  EXPECT_EQ(TiffStructure(*block, 6).ifd0()->entries[0].value, 1u);
  EXPECT_FALSE(BuildExifFromTiff(Bytes{'I', 'I', 43, 0, 8, 0, 0, 0}));  // BigTIFF
}

TEST(HeifExifItem, TheOffsetIsSkippedWithinTheItem) {
  Bytes tiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};
  Bytes expected = {'E', 'x', 'i', 'f', 0, 0};
  expected.insert(expected.end(), tiff.begin(), tiff.end());
  Bytes plain = {0, 0, 0, 0};
  plain.insert(plain.end(), tiff.begin(), tiff.end());
  Bytes identified = {0, 0, 0, 6, 'E', 'x', 'i', 'f', 0, 0};
  identified.insert(identified.end(), tiff.begin(), tiff.end());
  EXPECT_EQ(ExifBlockFromHeifItem(plain), expected);
  EXPECT_EQ(ExifBlockFromHeifItem(identified), expected);
  for (Bytes bad :
       {Bytes{0, 0, 0}, Bytes{0xFF, 0xFF, 0xFF, 0xFF, 'M', 'M', 0, 42, 0, 0, 0, 8},
        Bytes{0, 0, 0, 9, 'M', 'M', 0, 42, 0, 0, 0, 8}, Bytes{0, 0, 0, 0, 'X', 'X', 0, 42, 0, 0, 0, 8}})
    EXPECT_FALSE(ExifBlockFromHeifItem(bad));
  Bytes large(70000, 0);
  std::copy(plain.begin(), plain.end(), large.begin());
  EXPECT_FALSE(ExifBlockFromHeifItem(large));
}

}  // namespace
}  // namespace lumivex
