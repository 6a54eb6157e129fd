// A JPEG file's metadata segments, read a segment at a time up to the first start-of-scan, so the
// picture data is never read. Camera files put the Exif segment first; files that went through an
// editor usually have a JFIF APP0 segment before it.
//   exif   the first APP1 payload that starts "Exif\0\0". A file that ends inside it leaves the
//          missing bytes zero, as short camera files have always been read.
//   xmp    the first APP1 "http://ns.adobe.com/xap/1.0/\0" packet; dropped when the file ends
//          inside it. Its extended packet, when it names one and every part of it is there.
//   icc    the profile reassembled from its APP2 "ICC_PROFILE\0" chunks (icc_profile_chunks.h).
//   the frame header's component count, which tells a CMYK or YCCK file (4) from others.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "metadata/exif_constants.h"
#include "metadata/icc_profile_chunks.h"
#include "metadata/metadata_readers.h"
#include "metadata/xmp_packet.h"
#include "metadata/xmp_rewrite.h"

namespace lumivex {
namespace {

// JPEG markers (ITU-T T.81 table B.1) that matter to the scan.
constexpr int kSoi = 0xD8;
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;
constexpr int kApp1 = 0xE1;
constexpr int kApp2 = 0xE2;
constexpr int kTem = 0x01;
constexpr int kDht = 0xC4;
constexpr int kJpg = 0xC8;
constexpr int kDac = 0xCC;

bool isFrameHeader(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != kDht && marker != kJpg && marker != kDac;
}

bool startsWith(const std::vector<std::uint8_t>& payload, const std::uint8_t* identifier, std::size_t size) {
  return payload.size() >= size && std::memcmp(payload.data(), identifier, size) == 0;
}

class SegmentScanner {
 public:
  SegmentScanner(std::FILE* file, PhotoMetadata& out) : file_(file), out_(out) {}

  void run() {
    std::rewind(file_);
    if (byte() != 0xFF || byte() != kSoi) {  // named as a JPEG, but not one
      out_.container = MetadataContainer::None;
      return;
    }
    while (!ended_) {
      int marker = nextMarker();
      if (marker < 0 || marker == kSos || marker == kEoi) break;
      if (marker == kTem || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length follows
      int high = byte(), low = byte();
      if (high < 0 || low < 0) break;
      long length = high * 256L + low;  // counts its own two bytes
      if (length < 2) break;
      std::size_t size = static_cast<std::size_t>(length - 2);
      if (marker == kApp1 || marker == kApp2 || isFrameHeader(marker))
        takeSegment(marker, size);
      else if (std::fseek(file_, length - 2, SEEK_CUR) != 0)
        ended_ = true;
    }
    finish();
  }

 private:
  int byte() {
    int c = std::fgetc(file_);
    if (c == EOF) ended_ = true;
    return c;
  }

  // A marker is 0xFF followed by its code; any number of 0xFF fill bytes may come first.
  int nextMarker() {
    if (byte() != 0xFF) return -1;
    int code = byte();
    while (code == 0xFF) code = byte();
    return code;
  }

  // Reads the whole payload (at most 65533 bytes) and keeps what is carried. A file that ends
  // inside the payload leaves the rest zero.
  void takeSegment(int marker, std::size_t size) {
    std::vector<std::uint8_t> payload(size, 0);
    bool complete = std::fread(payload.data(), 1, size, file_) == size;
    if (!complete) ended_ = true;
    if (isFrameHeader(marker)) {
      // precision (1), height (2), width (2), then the component count
      if (complete && size >= 6 && out_.jpegComponents == 0) out_.jpegComponents = payload[5];
    } else if (marker == kApp2) {
      if (IsIccChunk(payload)) icc_.add(payload, complete);
    } else if (out_.exif.empty() && startsWith(payload, kExifIdentifier, sizeof kExifIdentifier)) {
      out_.exif = std::move(payload);
    } else if (complete && out_.xmp.empty() && IsXmpSegment(payload)) {
      out_.xmp.assign(payload.begin() + static_cast<std::ptrdiff_t>(kXmpIdentifier.size()), payload.end());
    } else if (complete && IsXmpExtensionSegment(payload)) {
      extension_.add(payload);
    }
  }

  void finish() {
    out_.icc = icc_.profile();
    if (out_.xmp.empty()) return;
    std::string guid = XmpExtensionGuidOf(std::string(out_.xmp.begin(), out_.xmp.end()));
    out_.xmpExtension = guid.empty() ? std::vector<std::uint8_t>{} : extension_.packet(guid);
    if (!out_.xmpExtension.empty()) out_.xmpExtensionGuid = guid;
  }

  std::FILE* file_;
  PhotoMetadata& out_;
  IccChunkAssembly icc_;
  XmpExtensionAssembly extension_;
  bool ended_ = false;
};

}  // namespace

void ReadJpegMetadata(std::FILE* file, PhotoMetadata& out) { SegmentScanner(file, out).run(); }

}  // namespace lumivex
