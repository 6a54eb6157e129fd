// One open of the photo's file, the container told by its first bytes, and that container's
// reader. The file is opened without blocking and checked to be a regular file before anything is
// read: a FIFO or a device named like a photo would otherwise wait for data that may never come.
#include "metadata/photo_metadata.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "metadata/decoder_memory.h"
#include "metadata/exif_constants.h"
#include "metadata/metadata_readers.h"
#include "readers/regular_file.h"

namespace lumivex {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

PhotoMetadata failure(MetadataRead outcome, int error, const char* text = nullptr) {
  PhotoMetadata result;
  result.outcome = outcome;
  result.errorText = text ? text : std::strerror(error);
  return result;
}

File openRegularFile(const std::string& path, PhotoMetadata& result) {
  corvale::RegularFile opened = corvale::openRegularFile(path.c_str());
  if (opened.fd < 0) {
    int error = opened.error ? opened.error : (S_ISDIR(opened.info.st_mode) ? EISDIR : 0);
    result = failure(MetadataRead::NotOpened, error, error ? nullptr : "Not a regular file");
    return nullptr;
  }
  const int fd = opened.fd;
  errno = 0;
  File file(::fdopen(fd, "rb"));
  if (!file) {
    result = failure(MetadataRead::NotOpened, errno ? errno : EIO);
    ::close(fd);
  }
  return file;
}

void readContainer(std::FILE* file, PhotoMetadata& result) {
  switch (result.container) {
    case MetadataContainer::Jpeg:
      return ReadJpegMetadata(file, result);
    case MetadataContainer::Png:
      return ReadPngMetadata(file, result);
    case MetadataContainer::Webp:
      return ReadWebpMetadata(file, result);
    case MetadataContainer::Tiff:
      return ReadTiffMetadata(file, result);
    case MetadataContainer::Heif:
      return ReadHeifMetadata(file, result);
    case MetadataContainer::Bmp:
      return ReadBmpMetadata(file, result);
    case MetadataContainer::Jxl:
      return ReadJxlMetadata(file, result);
    case MetadataContainer::None:
      return;
  }
}

// The progressive JPEG's coefficient buffer, from the start of the same open file.
std::int64_t decoderBytesOf(std::FILE* file) {
  std::vector<std::uint8_t> start(kDecoderHeaderBytes);
  if (::fseeko(file, 0, SEEK_SET) != 0) return 0;
  start.resize(std::fread(start.data(), 1, start.size(), file));
  return DecoderMemoryBytes(start);
}

}  // namespace

const corvale::ImageFormat* FormatOf(std::span<const std::uint8_t> head, const std::string& path) {
  const corvale::ImageFormat* format = corvale::formatOfContent(head);
  return format ? format : corvale::formatOfName(path);
}

PhotoMetadata ReadPhotoMetadata(const std::string& path) {
  PhotoMetadata result;
  File file = openRegularFile(path, result);
  if (!file) return result;
  std::uint8_t head[corvale::kSignatureBytes] = {};
  std::size_t got = std::fread(head, 1, sizeof head, file.get());
  result.format = FormatOf(std::span<const std::uint8_t>(head, got), path);
  result.container = result.format ? result.format->container : MetadataContainer::None;
  errno = 0;
  readContainer(file.get(), result);
  if (std::ferror(file.get())) return failure(MetadataRead::ReadError, errno ? errno : EIO);
  if (result.container == MetadataContainer::Jpeg) result.decoderBytes = decoderBytesOf(file.get());
  return result;
}

std::optional<std::vector<std::uint8_t>> ReadFileRange(std::FILE* file, std::uint64_t offset,
                                                       std::uint64_t size) {
  if (offset > 0x7FFFFFFFFFFFull || size > (std::uint64_t{1} << 31)) return std::nullopt;
  if (::fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) return std::nullopt;
  return bytes;
}

std::optional<std::vector<std::uint8_t>> ExifBlockFromChunk(std::span<const std::uint8_t> data) {
  bool identified = data.size() >= kExifTiffStart &&
                    std::equal(std::begin(kExifIdentifier), std::end(kExifIdentifier), data.begin());
  if (identified) data = data.subspan(kExifTiffStart);
  if (data.size() < 8 || data.size() > kMaxApp1Payload - kExifTiffStart) return std::nullopt;
  if (!((data[0] == 'I' || data[0] == 'M') && data[1] == data[0])) return std::nullopt;
  std::vector<std::uint8_t> block(std::begin(kExifIdentifier), std::end(kExifIdentifier));
  block.insert(block.end(), data.begin(), data.end());
  return block;
}

}  // namespace lumivex
