// A BMP file's one piece of metadata: the ICC profile a version 5 header may embed (BITMAPV5HEADER,
// bV5CSType PROFILE_EMBEDDED, the profile at bV5ProfileData bytes from the header's start).
#include "metadata/metadata_readers.h"
#include "readers/byte_cursor.h"

namespace lumivex {
namespace {

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'
constexpr std::size_t kCsTypeAt = 56;
constexpr std::size_t kProfileDataAt = 112;
constexpr std::size_t kProfileSizeAt = 116;
constexpr std::uint32_t kLargestProfile = 16u << 20;

}  // namespace

void ReadBmpMetadata(std::FILE* file, PhotoMetadata& out) {
  std::optional<std::vector<std::uint8_t>> header = ReadFileRange(file, kFileHeaderSize, kV5HeaderSize);
  if (!header) return;
  corvale::ByteCursor info(*header, corvale::ByteOrder::Little);
  std::uint32_t size = 0, type = 0, offset = 0, length = 0;
  if (!info.dword(0, size) || size < kV5HeaderSize || !info.dword(kCsTypeAt, type) ||
      type != kProfileEmbedded)
    return;
  if (!info.dword(kProfileDataAt, offset) || !info.dword(kProfileSizeAt, length) || length == 0 ||
      length > kLargestProfile)
    return;
  out.icc = ReadFileRange(file, kFileHeaderSize + offset, length).value_or(std::vector<std::uint8_t>{});
}

}  // namespace lumivex
