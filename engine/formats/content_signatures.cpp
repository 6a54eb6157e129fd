// The signatures: JPEG's start-of-image marker (ITU-T T.81 B.2.1), the PNG signature (PNG
// specification 5.2), "GIF87a"/"GIF89a", BMP's "BM", the TIFF byte-order header (TIFF 6.0
// section 2), the RIFF "WEBP" form, the HD Photo header ("II" and 0xBC 0x01, JPEG XR annex A), and
// the file type box of ISO/IEC 14496-12 with the brands of ISO/IEC 23008-12 and of the AV1 image
// file format. Every read goes through the bounds-checked cursor: a file shorter than a signature
// simply has none.
#include "formats/content_signatures.h"

#include <algorithm>
#include <string_view>

#include "readers/byte_cursor.h"

namespace corvale {

namespace {

bool startsWith(Bytes head, std::string_view magic, std::size_t at = 0) {
  ByteCursor cursor(head);
  if (!cursor.seek(at)) return false;
  Bytes taken = cursor.take(magic.size());
  return !cursor.failed() &&
         std::equal(magic.begin(), magic.end(), taken.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// Calls `visit` with the major brand and each compatible brand of the file type box at the start,
// as far as `head` holds them; false when the file does not start with such a box.
template <typename Visit>
bool forEachBrand(Bytes head, Visit visit) {
  if (!startsWith(head, "ftyp", 4)) return false;
  ByteCursor cursor(head);
  Bytes size = cursor.take(4);
  std::size_t boxSize =
      std::size_t{size[0]} << 24 | std::size_t{size[1]} << 16 | std::size_t{size[2]} << 8 | size[3];
  cursor.skip(4);  // "ftyp"
  for (std::size_t at = 8; at + 4 <= boxSize; at += 4) {
    Bytes brand = cursor.take(4);
    if (cursor.failed()) break;
    if (at != 12)
      visit  // the word at 12 is the minor version, not a brand
          (std::string_view(reinterpret_cast<const char*>(brand.data()), brand.size()));
  }
  return true;
}

bool namesBrandOf(Bytes head, std::initializer_list<std::string_view> brands) {
  bool found = false;
  forEachBrand(head, [&](std::string_view brand) {
    for (std::string_view known : brands) found = found || brand == known;
  });
  return found;
}

}  // namespace

bool hasJpegSignature(Bytes head) { return startsWith(head, "\xFF\xD8\xFF"); }

bool hasPngSignature(Bytes head) { return startsWith(head, "\x89PNG\r\n\x1A\n"); }

bool hasGifSignature(Bytes head) { return startsWith(head, "GIF87a") || startsWith(head, "GIF89a"); }

bool hasBmpSignature(Bytes head) { return startsWith(head, "BM"); }

bool hasTiffSignature(Bytes head) {
  return startsWith(head, std::string_view("II*\0", 4)) || startsWith(head, std::string_view("MM\0*", 4));
}

bool hasWebpSignature(Bytes head) { return startsWith(head, "RIFF") && startsWith(head, "WEBP", 8); }

bool hasHdPhotoSignature(Bytes head) { return startsWith(head, "II\xBC\x01"); }

bool hasAvifSignature(Bytes head) { return namesBrandOf(head, {"avif", "avis"}); }

bool hasHeicSignature(Bytes head) {
  return !hasAvifSignature(head) &&
         namesBrandOf(head, {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"});
}

bool hasJxlSignature(Bytes head) {
  using namespace std::string_view_literals;
  return startsWith(head, "\xFF\x0A"sv) || startsWith(head, "\0\0\0\x0CJXL \r\n\x87\n"sv);
}

}  // namespace corvale
