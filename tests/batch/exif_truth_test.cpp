// The copied Exif block's truth, on blocks laid out as cameras lay them out: data just past a maker
// note's stated length (Nikon) survives the thumbnail's removal, the thumbnail's bytes are gone
// wherever they lie, a size stored as two SHORTs becomes the copy's size, and a conversion to sRGB
// shows in ColorSpace and the interoperability index. Also the extended XMP framing, both ways.
#include <gtest/gtest.h>

#include <algorithm>

#include "metadata/exif_rewrite.h"
#include "metadata/tiff_structure.h"
#include "metadata/xmp_packet.h"

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A little-endian block: IFD0 (Orientation, Exif pointer, link to IFD1) at 8, the Exif IFD at 50
// (PixelXDimension as two SHORTs, ColorSpace, the maker note, the interoperability pointer), the
// interoperability IFD at 112 (R03), the maker note of 16 bytes at 140 and 8 bytes of the
// camera's beyond it, then IFD1 and the thumbnail: at the end, or (`thumbnailFirst`) before the
// maker note with IFD1 at the end.
struct Layout {
  Bytes block;
  std::size_t extraAt = 0, thumbnailAt = 0;
};

void put(Bytes& b, std::size_t at, std::uint32_t value, int bytes) {
  if (b.size() < at + static_cast<std::size_t>(bytes)) b.resize(at + static_cast<std::size_t>(bytes));
  for (int i = 0; i < bytes; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}
void entry(Bytes& b, std::size_t at, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
           std::uint32_t value) {
  put(b, at, tag, 2), put(b, at + 2, type, 2), put(b, at + 4, count, 4), put(b, at + 8, value, 4);
}

Layout cameraBlock(bool thumbnailFirst) {
  Bytes t = {'I', 'I', 42, 0, 8, 0, 0, 0};
  std::size_t makerNote = thumbnailFirst ? 200 : 140, thumbnail = thumbnailFirst ? 140 : 194;
  std::size_t ifd1 = thumbnailFirst ? 230 : 164;
  put(t, 8, 3, 2);
  entry(t, 10, 0x0112, 3, 1, 6), entry(t, 22, 0x8769, 4, 1, 50), entry(t, 34, 0x0100, 3, 1, 100);
  put(t, 46, static_cast<std::uint32_t>(ifd1), 4);
  put(t, 50, 4, 2);
  entry(t, 52, 0xA002, 3, 2, 100), entry(t, 64, 0xA001, 3, 1, 0xFFFF);
  entry(t, 76, 0x927C, 7, 16, static_cast<std::uint32_t>(makerNote)), entry(t, 88, 0xA005, 4, 1, 112);
  put(t, 100, 0, 4);
  put(t, 112, 1, 2), entry(t, 114, 0x0001, 2, 4, 'R' | '0' << 8 | '3' << 16), put(t, 126, 0, 4);
  for (std::size_t i = 0; i < 16; ++i) put(t, makerNote + i, 0x40 + static_cast<std::uint32_t>(i), 1);
  for (std::size_t i = 0; i < 8; ++i) put(t, makerNote + 16 + i, 0xAB, 1);  // pointed to from inside
  put(t, ifd1, 2, 2), entry(t, ifd1 + 2, 0x0201, 4, 1, static_cast<std::uint32_t>(thumbnail));
  entry(t, ifd1 + 14, 0x0202, 4, 1, 10), put(t, ifd1 + 26, 0, 4);
  for (std::size_t i = 0; i < 10; ++i) put(t, thumbnail + i, 0xD0 + static_cast<std::uint32_t>(i), 1);
  Bytes block = {'E', 'x', 'i', 'f', 0, 0};
  block.insert(block.end(), t.begin(), t.end());
  return {block, makerNote + 16 + 6, thumbnail + 6};
}

std::optional<TiffEntry> find(const std::optional<TiffIfd>& ifd, std::uint16_t tag) {
  if (ifd)
    for (const TiffEntry& e : ifd->entries)
      if (e.tag == tag) return e;
  return std::nullopt;
}

TEST(ExifTruth, ThumbnailGoesMakerNoteDataStaysSizesAndColourSpaceTell) {
  for (bool thumbnailFirst : {false, true}) {
    SCOPED_TRACE(thumbnailFirst);
    Layout camera = cameraBlock(thumbnailFirst);
    Bytes copy = RewriteExif(camera.block, {769, 600, true, false, true});
    // Nothing of the camera's past its maker note is lost, and nothing of the thumbnail is left.
    ASSERT_GE(copy.size(), camera.extraAt + 8);
    EXPECT_TRUE(std::all_of(copy.begin() + camera.extraAt, copy.begin() + camera.extraAt + 8,
                            [](std::uint8_t b) { return b == 0xAB; }));
    Bytes thumbnail(camera.block.begin() + camera.thumbnailAt,
                    camera.block.begin() + camera.thumbnailAt + 10);
    EXPECT_EQ(std::search(copy.begin(), copy.end(), thumbnail.begin(), thumbnail.end()), copy.end());
    if (!thumbnailFirst) {
      EXPECT_EQ(copy.size(), camera.extraAt + 8);  // cut where the thumbnail began
    }
    TiffStructure tiff(copy, 6);
    std::optional<TiffIfd> ifd0 = tiff.ifd0(), exif = tiff.subIfd(*ifd0, kExifIfdTag);
    std::uint32_t link = 1;
    tiff.reader().dword(ifd0->linkPosition, link);
    EXPECT_EQ(link, 0u);
    EXPECT_EQ(find(ifd0, kOrientationTag)->value, 1u);
    std::optional<TiffEntry> width = find(exif, kPixelXDimensionTag);
    EXPECT_EQ(width->count, 1u);
    EXPECT_EQ(width->value, 769u);
    EXPECT_EQ(find(exif, kColorSpaceTag)->value, 1u);
    std::optional<TiffIfd> interop = tiff.subIfd(*exif, kInteropIfdTag);
    auto index = tiff.valueOf(*find(interop, kInteropIndexTag));
    EXPECT_EQ(Bytes(index->begin(), index->end()), (Bytes{'R', '9', '8', 0}));
  }
}

TEST(XmpExtension, SplitIntoSegmentsAndPutBackTogetherInAnyOrder) {
  Bytes packet(150000);
  for (std::size_t i = 0; i < packet.size(); ++i) packet[i] = static_cast<std::uint8_t>('a' + i % 26);
  std::string guid(32, 'F');
  std::vector<Bytes> payloads = XmpExtensionPayloads(guid, packet);
  ASSERT_EQ(payloads.size(), 3u);
  for (const Bytes& payload : payloads) EXPECT_LE(payload.size(), 65533u);
  XmpExtensionAssembly assembly;
  for (std::size_t i : {2u, 0u, 1u}) assembly.add(payloads[i]);
  EXPECT_EQ(assembly.packet(guid), packet);
  EXPECT_TRUE(assembly.packet(std::string(32, '0')).empty());
  XmpExtensionAssembly missing;
  missing.add(payloads[0]), missing.add(payloads[2]);
  EXPECT_TRUE(missing.packet(guid).empty());
  XmpExtensionAssembly truncated;
  for (const Bytes& payload : payloads) truncated.add(Bytes(payload.begin(), payload.begin() + 60));
  EXPECT_TRUE(truncated.packet(guid).empty());
}

}  // namespace
}  // namespace lumivex
