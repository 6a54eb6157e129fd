// The chunk walks of PNG (PNG 1.2 and the 2017 extensions: eXIf, iTXt, iCCP) and WebP (the RIFF
// container: EXIF, "XMP ", ICCP). Every length is checked against what the file still holds
// before anything is read; a chunk that is malformed is skipped, never half taken.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "metadata/exif_constants.h"
#include "metadata/metadata_readers.h"
#include "readers/byte_cursor.h"

namespace lumivex {
namespace {

constexpr int kMaxChunks = 100000;  // a file of empty chunks ends the walk in reasonable time
// No metadata chunk worth carrying is larger; the walk skips larger ones unread.
constexpr std::uint32_t kLargestMetadataChunk = 32u << 20;
// A profile or packet inflated beyond this is refused (a JPEG file can carry 16 MB of profile).
constexpr std::size_t kLargestInflated = 32u << 20;
constexpr std::string_view kXmpKeyword = "XML:com.adobe.xmp";

struct ChunkHeader {
  char type[4];
  std::uint32_t size;
};

// zlib's stream inflated in pieces, refusing more than the limit (a small chunk may claim to
// inflate to gigabytes).
std::optional<std::vector<std::uint8_t>> inflate(std::span<const std::uint8_t> compressed) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::vector<std::uint8_t> out;
  int status = Z_OK;
  while (status == Z_OK && out.size() < kLargestInflated) {
    std::size_t had = out.size();
    out.resize(had + 65536);
    stream.next_out = out.data() + had;
    stream.avail_out = 65536;
    status = ::inflate(&stream, Z_NO_FLUSH);
    out.resize(had + 65536 - stream.avail_out);
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) return std::nullopt;
  return out;
}

// The bytes up to the next zero byte, which the cursor passes.
std::optional<std::string_view> zeroEnded(corvale::ByteCursor& cursor, std::span<const std::uint8_t> data) {
  auto rest = data.subspan(cursor.position());
  auto zero = std::find(rest.begin(), rest.end(), std::uint8_t{0});
  if (zero == rest.end()) return std::nullopt;
  std::size_t length = static_cast<std::size_t>(zero - rest.begin());
  cursor.skip(length + 1);
  return std::string_view(reinterpret_cast<const char*>(rest.data()), length);
}

// iCCP: profile name, 0, compression method 0, the zlib stream.
std::vector<std::uint8_t> pngProfile(std::span<const std::uint8_t> data) {
  corvale::ByteCursor cursor(data);
  std::uint8_t method = 1;
  if (!zeroEnded(cursor, data) || !cursor.u8(method) || method != 0) return {};
  return inflate(data.subspan(cursor.position())).value_or(std::vector<std::uint8_t>{});
}

// iTXt: keyword, 0, compression flag, method, language tag, 0, translated keyword, 0, the text.
std::vector<std::uint8_t> pngXmp(std::span<const std::uint8_t> data) {
  corvale::ByteCursor cursor(data);
  std::uint8_t compressed = 0, method = 0;
  std::optional<std::string_view> keyword = zeroEnded(cursor, data);
  if (!keyword || *keyword != kXmpKeyword || !cursor.u8(compressed) || !cursor.u8(method)) return {};
  if (!zeroEnded(cursor, data) || !zeroEnded(cursor, data)) return {};
  std::span<const std::uint8_t> text = data.subspan(cursor.position());
  if (compressed == 0) return {text.begin(), text.end()};
  if (method != 0) return {};
  return inflate(text).value_or(std::vector<std::uint8_t>{});
}

void takePngChunk(const ChunkHeader& chunk, std::span<const std::uint8_t> data, PhotoMetadata& out) {
  if (std::memcmp(chunk.type, "eXIf", 4) == 0 && out.exif.empty())
    out.exif = ExifBlockFromChunk(data).value_or(std::vector<std::uint8_t>{});
  else if (std::memcmp(chunk.type, "iCCP", 4) == 0 && out.icc.empty())
    out.icc = pngProfile(data);
  else if (std::memcmp(chunk.type, "iTXt", 4) == 0 && out.xmp.empty())
    out.xmp = pngXmp(data);
}

void takeWebpChunk(const ChunkHeader& chunk, std::span<const std::uint8_t> data, PhotoMetadata& out) {
  if (std::memcmp(chunk.type, "EXIF", 4) == 0 && out.exif.empty())
    out.exif = ExifBlockFromChunk(data).value_or(std::vector<std::uint8_t>{});
  else if (std::memcmp(chunk.type, "ICCP", 4) == 0 && out.icc.empty())
    out.icc.assign(data.begin(), data.end());
  else if (std::memcmp(chunk.type, "XMP ", 4) == 0 && out.xmp.empty())
    out.xmp.assign(data.begin(), data.end());
}

bool wanted(const ChunkHeader& chunk, std::initializer_list<const char*> types) {
  return std::any_of(types.begin(), types.end(),
                     [&](const char* t) { return std::memcmp(chunk.type, t, 4) == 0; });
}

}  // namespace

// PNG: 8-byte signature, then chunks of a 4-byte big-endian length, a 4-byte type, the data and
// a 4-byte CRC, up to IEND. The image data chunks are passed over by seeking.
void ReadPngMetadata(std::FILE* file, PhotoMetadata& out) {
  if (std::fseek(file, 8, SEEK_SET) != 0) return;
  std::uint8_t bytes[8];
  for (int n = 0; n < kMaxChunks && std::fread(bytes, 1, 8, file) == 8; ++n) {
    corvale::ByteCursor header({bytes, 8}, corvale::ByteOrder::Big);
    ChunkHeader chunk{};
    std::memcpy(chunk.type, bytes + 4, 4);
    header.dword(0, chunk.size);
    if (chunk.size > 0x7FFFFFFF || std::memcmp(chunk.type, "IEND", 4) == 0) break;
    if (wanted(chunk, {"eXIf", "iCCP", "iTXt"}) && chunk.size <= kLargestMetadataChunk) {
      std::vector<std::uint8_t> data(chunk.size);
      if (std::fread(data.data(), 1, data.size(), file) != data.size()) break;
      takePngChunk(chunk, data, out);
      if (std::fseek(file, 4, SEEK_CUR) != 0) break;
    } else if (std::fseek(file, static_cast<long>(chunk.size) + 4, SEEK_CUR) != 0) {
      break;
    }
  }
}

// WebP: "RIFF", a 4-byte little-endian size, "WEBP", then chunks of a FourCC, a 4-byte
// little-endian size and the data padded to an even length.
void ReadWebpMetadata(std::FILE* file, PhotoMetadata& out) {
  if (std::fseek(file, 12, SEEK_SET) != 0) return;
  std::uint8_t bytes[8];
  for (int n = 0; n < kMaxChunks && std::fread(bytes, 1, 8, file) == 8; ++n) {
    corvale::ByteCursor header({bytes, 8}, corvale::ByteOrder::Little);
    ChunkHeader chunk{};
    std::memcpy(chunk.type, bytes, 4);
    header.dword(4, chunk.size);
    long padded = static_cast<long>(chunk.size) + (chunk.size & 1);
    if (wanted(chunk, {"EXIF", "ICCP", "XMP "}) && chunk.size <= kLargestMetadataChunk) {
      std::vector<std::uint8_t> data(chunk.size);
      if (std::fread(data.data(), 1, data.size(), file) != data.size()) break;
      takeWebpChunk(chunk, data, out);
      padded = chunk.size & 1;
    }
    if (std::fseek(file, padded, SEEK_CUR) != 0) break;
  }
}

}  // namespace lumivex
