// The JPEG segment scan that gathers the Exif, XMP and ICC segments, reading the file a segment at
// a time; PNG and WebP files go to their chunk walk for the Exif block, TIFF files to the block
// built from their IFDs and HEIF files to their Exif item.
#include "metadata/exif_segment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

#include "metadata/exif_chunks.h"
#include "metadata/heif_exif_item.h"
#include "metadata/icc_profile_chunks.h"
#include "metadata/tiff_exif_block.h"
#include "metadata/tiff_structure.h"

namespace lumivex {
namespace {

using Outcome = ExifSegmentSearch::Outcome;

// JPEG markers (ITU-T T.81 table B.1) that matter to the scan.
constexpr int kSoi = 0xD8;
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;
constexpr int kApp1 = 0xE1;
constexpr int kApp2 = 0xE2;
constexpr int kTem = 0x01;
constexpr std::uint8_t kExifIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr char kXmpIdentifier[] = "http://ns.adobe.com/xap/1.0/";  // with its closing zero byte

bool startsWith(const std::vector<std::uint8_t>& payload, const void* identifier, std::size_t size) {
  return payload.size() >= size && std::memcmp(payload.data(), identifier, size) == 0;
}

JpegMetadata readFailure(int error, const char* text = nullptr) {
  JpegMetadata failure;
  failure.outcome = Outcome::ReadError;
  failure.errorText = text ? text : std::strerror(error);
  return failure;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads the file's segments one after another up to the first start-of-scan. Every read is
// checked; the end of the file or a malformed marker ends the scan with what was complete by then,
// a read error ends it with the error.
class SegmentScanner {
 public:
  explicit SegmentScanner(std::FILE* file) : file_(file) {}

  JpegMetadata run() {
    int first = byte(), second = byte();
    if (first != 0xFF || second != kSoi) return finish(Outcome::NotJpeg);
    while (!failed_) {
      int marker = nextMarker();
      if (marker < 0 || marker == kSos || marker == kEoi) break;
      if (isStandalone(marker)) continue;
      int high = byte(), low = byte();
      if (high < 0 || low < 0) break;
      long length = high * 256L + low;  // counts its own two bytes
      if (length < 2) break;
      if (marker == kApp1 || marker == kApp2)
        takeSegment(marker, static_cast<std::size_t>(length - 2));
      else if (std::fseek(file_, length - 2, SEEK_CUR) != 0)
        noteEnd();
    }
    return finish(result_.exif.empty() ? Outcome::NoExifSegment : Outcome::Found);
  }

 private:
  static bool isStandalone(int marker) { return marker == kTem || (marker >= 0xD0 && marker <= 0xD7); }

  int byte() {
    int c = std::fgetc(file_);
    if (c == EOF) noteEnd();
    return c;
  }

  // A marker is 0xFF followed by its code; any number of 0xFF fill bytes may come first.
  int nextMarker() {
    if (byte() != 0xFF) return -1;
    int code = byte();
    while (code == 0xFF) code = byte();
    return code;
  }

  // Reads the whole payload of an APP1 or APP2 segment (at most 65533 bytes) and keeps it when it
  // is one of the blocks carried. A file that ends inside the payload leaves the rest zero.
  void takeSegment(int marker, std::size_t size) {
    if (size == 0) return;
    std::vector<std::uint8_t> payload(size, 0);
    bool complete = std::fread(payload.data(), 1, size, file_) == size;
    if (!complete) noteEnd();
    if (marker == kApp2) {
      if (IsIccChunk(payload)) icc_.add(payload, complete);
    } else if (result_.exif.empty() && startsWith(payload, kExifIdentifier, sizeof kExifIdentifier)) {
      result_.exif = std::move(payload);
    } else if (result_.xmp.empty() && complete &&
               startsWith(payload, kXmpIdentifier, sizeof kXmpIdentifier)) {
      result_.xmp = std::move(payload);
    }
  }

  // The end of the file or a read error; errno is kept at once, before anything else can change it.
  void noteEnd() {
    failed_ = true;
    if (std::ferror(file_) && readErrno_ == 0) readErrno_ = errno ? errno : EIO;
  }

  JpegMetadata finish(Outcome outcome) {
    if (readErrno_ != 0 || std::ferror(file_)) return readFailure(readErrno_ ? readErrno_ : EIO);
    result_.outcome = outcome;
    if (outcome != Outcome::NotJpeg) result_.icc = icc_.profile();
    return std::move(result_);
  }

  std::FILE* file_;
  JpegMetadata result_;
  IccChunkAssembly icc_;
  bool failed_ = false;
  int readErrno_ = 0;
};

// Opened without blocking, then checked to be a plain file before anything is read: a FIFO or a
// device would wait for data that may never come. A folder reads as "Is a directory".
File openRegularFile(const std::string& path, JpegMetadata& failure) {
  errno = 0;
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    failure = readFailure(errno);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    int error = errno;
    if (S_ISDIR(status.st_mode))
      failure = readFailure(EISDIR);
    else if (error != 0)
      failure = readFailure(error);
    else
      failure = readFailure(0, "Not a regular file");
    ::close(fd);
    return nullptr;
  }
  File file(::fdopen(fd, "rb"));
  if (!file) {
    failure = readFailure(errno ? errno : EIO);
    ::close(fd);
  }
  return file;
}

// PNG and WebP keep the Exif block in a chunk; a read error is told apart from a file without one.
JpegMetadata fromChunk(std::FILE* file, ExifContainer container) {
  JpegMetadata result;
  errno = 0;
  std::optional<std::vector<std::uint8_t>> block = FindExifChunk(file, container);
  if (std::ferror(file)) return readFailure(errno ? errno : EIO);
  if (block) {
    result.outcome = ExifSegmentSearch::Outcome::Found;
    result.exif = std::move(*block);
  } else {
    result.outcome = ExifSegmentSearch::Outcome::NoExifSegment;
  }
  return result;
}

// A TIFF file is read whole (up to a limit), as its IFDs may lie anywhere in it, usually behind
// the pixels.
std::optional<std::vector<std::uint8_t>> exifOfTiff(std::FILE* file) {
  constexpr long kMaxTiffBytes = 512L << 20;
  if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
  long size = std::ftell(file);
  if (size <= 0 || size > kMaxTiffBytes || std::fseek(file, 0, SEEK_SET) != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) return std::nullopt;
  return BuildExifFromTiff(bytes);
}

// TIFF and HEIF files: the engine's readers of both turn the pixels the way the file asks (the
// Orientation tag of a TIFF, the rotation and mirroring boxes of a HEIF), so the block says
// orientation 1, and the batch neither turns the photo again nor gives the copy a stale tag.
JpegMetadata fromTurningContainer(const std::string& path, std::FILE* file, ExifContainer container) {
  JpegMetadata result;
  errno = 0;
  std::optional<std::vector<std::uint8_t>> block =
      container == ExifContainer::Tiff ? exifOfTiff(file) : FindHeifExifItem(path);
  if (std::ferror(file)) return readFailure(errno ? errno : EIO);
  result.outcome = block ? Outcome::Found : Outcome::NoExifSegment;
  if (block) {
    MarkExifUpright(*block);
    result.exif = std::move(*block);
  }
  return result;
}

}  // namespace

JpegMetadata ReadJpegMetadata(const std::string& path, bool wantExif) {
  JpegMetadata failure;
  File file = openRegularFile(path, failure);
  if (!file) return failure;
  std::uint8_t head[12] = {};
  ExifContainer container = std::fread(head, 1, sizeof head, file.get()) == sizeof head
                                ? ExifContainerOf(head)
                                : ExifContainer::Other;
  if (container == ExifContainer::Tiff || container == ExifContainer::Heif) {
    if (!wantExif) return JpegMetadata{Outcome::NoExifSegment, {}, {}, {}, {}};
    return fromTurningContainer(path, file.get(), container);
  }
  if (container != ExifContainer::Other) return fromChunk(file.get(), container);
  std::rewind(file.get());
  return SegmentScanner(file.get()).run();
}

ExifSegmentSearch FindExifSegment(const std::string& path) {
  JpegMetadata metadata = ReadJpegMetadata(path);
  ExifSegmentSearch search;
  search.outcome = metadata.outcome;
  search.payload = std::move(metadata.exif);
  search.errorText = std::move(metadata.errorText);
  return search;
}

}  // namespace lumivex
