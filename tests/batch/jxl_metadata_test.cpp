// The boxes of JPEG XL containers built byte by byte: the Exif and XMP boxes are found whatever
// the size form (32-bit, 64-bit, to the end of the file), Brotli-compressed boxes are passed over,
// and a box cut short or larger than the file gives nothing and reads nothing outside the file.
#include <gtest/gtest.h>

#include <string>

#include "metadata/photo_metadata.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kTiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};
const std::string kPacket = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";

void append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

Bytes bigEndian(std::uint64_t value, int bytes) {
  Bytes out;
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return out;
}

// A box of a 32-bit size, or of the 64-bit form (size 1), or running to the end (size 0).
enum class SizeForm { Short, Large, ToEnd };
Bytes box(const char* type, const Bytes& payload, SizeForm form = SizeForm::Short) {
  Bytes out = bigEndian(form == SizeForm::Short ? 8 + payload.size() : form == SizeForm::Large ? 1 : 0, 4);
  out.insert(out.end(), type, type + 4);
  if (form == SizeForm::Large) append(out, bigEndian(16 + payload.size(), 8));
  append(out, payload);
  return out;
}

Bytes exifPayload() {
  Bytes payload = bigEndian(0, 4);
  append(payload, kTiff);
  return payload;
}

Bytes containerStart() {
  Bytes file = {0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  append(file, box("ftyp", {'j', 'x', 'l', ' ', 0, 0, 0, 0, 'j', 'x', 'l', ' '}));
  return file;
}

PhotoMetadata metadataOf(const Bytes& file) {
  testing_support::TempDir dir;
  testing_support::writeBytes(dir.file("photo.jxl"), file);
  return ReadPhotoMetadata(dir.file("photo.jxl"));
}

Bytes expectedExif() {
  Bytes block = {'E', 'x', 'i', 'f', 0, 0};
  append(block, kTiff);
  return block;
}

TEST(JxlMetadata, ExifAndXmpBoxesAreFoundInEverySizeForm) {
  const Bytes xmp(kPacket.begin(), kPacket.end());
  for (SizeForm form : {SizeForm::Short, SizeForm::Large}) {
    Bytes file = containerStart();
    append(file, box("brob", Bytes{'E', 'x', 'i', 'f', 1, 2, 3}));  // compressed: passed over
    append(file, box("Exif", exifPayload(), form));
    append(file, box("jxlc", {0xFF, 0x0A}, form));
    append(file, box("xml ", xmp, SizeForm::ToEnd));
    PhotoMetadata metadata = metadataOf(file);
    EXPECT_EQ(metadata.container, MetadataContainer::Jxl);
    EXPECT_EQ(metadata.outcome, MetadataRead::Read);
    EXPECT_EQ(metadata.exif, expectedExif());
    EXPECT_EQ(metadata.xmp, xmp);
    EXPECT_TRUE(metadata.icc.empty());  // the codestream is cut short before its colour encoding
    EXPECT_TRUE(metadata.turnedByReader);
  }
}

TEST(JxlMetadata, BoxesCutShortOrLargerThanTheFileGiveNothing) {
  const Bytes whole = [] {
    Bytes file = containerStart();
    append(file, box("Exif", exifPayload()));
    return file;
  }();
  Bytes tooLarge = containerStart(), tooLarge64 = containerStart(), tooSmall = containerStart();
  append(tooLarge, bigEndian(whole.size(), 4));  // the box claims more than the file holds
  append(tooLarge, Bytes{'E', 'x', 'i', 'f'});
  append(tooLarge, exifPayload());
  append(tooLarge64, Bytes{0, 0, 0, 1, 'E', 'x', 'i', 'f', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0});
  append(tooLarge64, exifPayload());
  append(tooSmall, Bytes{0, 0, 0, 4, 'E', 'x', 'i', 'f'});  // smaller than its own header
  append(tooSmall, exifPayload());
  std::vector<Bytes> damaged = {tooLarge, tooLarge64, tooSmall};
  for (std::size_t cut = containerStart().size() + 1; cut < whole.size(); ++cut)
    damaged.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
  for (const Bytes& file : damaged) {
    PhotoMetadata metadata = metadataOf(file);
    EXPECT_EQ(metadata.outcome, MetadataRead::Read) << file.size();
    EXPECT_TRUE(metadata.exif.empty()) << file.size();
    EXPECT_TRUE(metadata.xmp.empty()) << file.size();
    EXPECT_TRUE(metadata.icc.empty()) << file.size();
  }
  EXPECT_EQ(metadataOf(whole).exif, expectedExif());
}

TEST(JxlMetadata, BareCodestreamHasNoBoxesToRead) {
  Bytes file = {0xFF, 0x0A};
  append(file, box("Exif", exifPayload()));  // not a box here: bytes of the codestream
  PhotoMetadata metadata = metadataOf(file);
  EXPECT_EQ(metadata.container, MetadataContainer::Jxl);
  EXPECT_TRUE(metadata.exif.empty());
}

}  // namespace
}  // namespace lumivex
