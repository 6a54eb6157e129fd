// The chunk walks of PNG and WebP files, looking for the Exif chunk. Every length is checked
// against the bytes the file still holds before anything is read.
#include "metadata/exif_chunks.h"

#include <cstring>

namespace lumivex {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kExifIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};
// An APP1 segment carries at most 65533 bytes of payload (its length field counts itself).
constexpr std::uint32_t kMaxBlockBytes = 65533;
constexpr int kMaxChunks = 100000;  // a file of empty chunks ends the walk in reasonable time

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
std::uint32_t littleEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}

// The chunk's data as an Exif block: the identifier prefixed unless the writer already put it
// there (some WebP writers do), and a TIFF byte-order mark behind it.
std::optional<std::vector<std::uint8_t>> readBlock(std::FILE* file, std::uint32_t size) {
  if (size > kMaxBlockBytes) return std::nullopt;
  std::vector<std::uint8_t> data(size);
  if (std::fread(data.data(), 1, size, file) != size) return std::nullopt;
  bool identified = size >= sizeof kExifIdentifier && std::memcmp(data.data(), kExifIdentifier, 6) == 0;
  std::vector<std::uint8_t> block(kExifIdentifier, kExifIdentifier + 6);
  block.insert(block.end(), data.begin() + (identified ? 6 : 0), data.end());
  if (block.size() < 8 || block.size() > kMaxBlockBytes || !(block[6] == 'I' || block[6] == 'M'))
    return std::nullopt;
  return block;
}

// PNG: 8-byte signature, then chunks of a 4-byte big-endian length, a 4-byte type, the data and
// a 4-byte CRC, up to IEND.
std::optional<std::vector<std::uint8_t>> findPngExif(std::FILE* file) {
  if (std::fseek(file, 8, SEEK_SET) != 0) return std::nullopt;
  std::uint8_t header[8];
  for (int chunk = 0; chunk < kMaxChunks && std::fread(header, 1, 8, file) == 8; ++chunk) {
    std::uint32_t length = bigEndian32(header);
    if (length > 0x7FFFFFFF || std::memcmp(header + 4, "IEND", 4) == 0) break;
    if (std::memcmp(header + 4, "eXIf", 4) == 0) return readBlock(file, length);
    if (std::fseek(file, static_cast<long>(length) + 4, SEEK_CUR) != 0) break;
  }
  return std::nullopt;
}

// WebP: "RIFF", a 4-byte little-endian size, "WEBP", then chunks of a FourCC, a 4-byte
// little-endian size and the data padded to an even length.
std::optional<std::vector<std::uint8_t>> findWebpExif(std::FILE* file) {
  if (std::fseek(file, 12, SEEK_SET) != 0) return std::nullopt;
  std::uint8_t header[8];
  for (int chunk = 0; chunk < kMaxChunks && std::fread(header, 1, 8, file) == 8; ++chunk) {
    std::uint32_t size = littleEndian32(header + 4);
    if (std::memcmp(header, "EXIF", 4) == 0) return readBlock(file, size);
    long padded = static_cast<long>(size) + (size & 1);
    if (std::fseek(file, padded, SEEK_CUR) != 0) break;
  }
  return std::nullopt;
}

// The major brands of HEIF files with HEVC or AV1 images (ISO/IEC 23008-12 annex B, the AV1
// image file format), as the file type box at the file's start names them.
bool isHeifBrand(const std::uint8_t* brand) {
  for (const char* known : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"})
    if (std::memcmp(brand, known, 4) == 0) return true;
  return false;
}

}  // namespace

ExifContainer ExifContainerOf(const std::uint8_t (&head)[12]) {
  if (std::memcmp(head, kPngSignature, 8) == 0) return ExifContainer::Png;
  if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0) return ExifContainer::Webp;
  if (std::memcmp(head, "II*\0", 4) == 0 || std::memcmp(head, "MM\0*", 4) == 0) return ExifContainer::Tiff;
  if (std::memcmp(head + 4, "ftyp", 4) == 0 && isHeifBrand(head + 8)) return ExifContainer::Heif;
  return ExifContainer::Other;
}

std::optional<std::vector<std::uint8_t>> FindExifChunk(std::FILE* file, ExifContainer container) {
  if (container == ExifContainer::Png) return findPngExif(file);
  if (container == ExifContainer::Webp) return findWebpExif(file);
  return std::nullopt;
}

}  // namespace lumivex
