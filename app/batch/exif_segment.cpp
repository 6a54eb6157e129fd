// The JPEG segment scan that finds the Exif APP1 segment, reading the file a segment at a time;
// PNG and WebP files go to their chunk walk.
#include "batch/exif_segment.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "batch/exif_chunks.h"

namespace lumivex {
namespace {

using Outcome = ExifSegmentSearch::Outcome;

// JPEG markers (ITU-T T.81 table B.1) that matter to the scan.
constexpr int kSoi = 0xD8;
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;
constexpr int kApp1 = 0xE1;
constexpr int kTem = 0x01;
constexpr std::uint8_t kExifIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads the file's segments one after another. Every read is checked; the end of the file or a
// malformed marker ends the scan without a block, a read error ends it with the error.
class SegmentScanner {
 public:
  explicit SegmentScanner(std::FILE* file) : file_(file) {}

  ExifSegmentSearch run() {
    ExifSegmentSearch result;
    int first = byte(), second = byte();
    if (first != 0xFF || second != kSoi) return finish(result, Outcome::NotJpeg);
    while (true) {
      int marker = nextMarker();
      if (marker < 0 || marker == kSos || marker == kEoi) return finish(result, Outcome::NoExifSegment);
      if (isStandalone(marker)) continue;
      int high = byte(), low = byte();
      if (high < 0 || low < 0) return finish(result, Outcome::NoExifSegment);
      long length = high * 256L + low;  // counts its own two bytes
      if (length < 2) return finish(result, Outcome::NoExifSegment);
      if (marker == kApp1) {
        if (takeIfExif(length - 2, result.payload)) return finish(result, Outcome::Found);
      } else if (std::fseek(file_, length - 2, SEEK_CUR) != 0) {
        noteEnd();
      }
      if (failed_) return finish(result, Outcome::NoExifSegment);
    }
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

  // Reads a payload of `size` bytes when it begins with the Exif identifier; otherwise skips the
  // rest of the segment. A file that ends inside the payload leaves the missing bytes zero, as a
  // short camera file has always been read.
  bool takeIfExif(long size, std::vector<std::uint8_t>& payload) {
    std::uint8_t head[sizeof kExifIdentifier] = {};
    long headSize = size < long{sizeof head} ? size : long{sizeof head};
    std::size_t got = std::fread(head, 1, static_cast<std::size_t>(headSize), file_);
    if (got != static_cast<std::size_t>(headSize)) {
      noteEnd();
      return false;
    }
    if (headSize < long{sizeof head} || std::memcmp(head, kExifIdentifier, sizeof head) != 0) {
      if (std::fseek(file_, size - headSize, SEEK_CUR) != 0) noteEnd();
      return false;
    }
    payload.assign(static_cast<std::size_t>(size), 0);
    std::memcpy(payload.data(), head, sizeof head);
    std::size_t rest = payload.size() - sizeof head;
    if (std::fread(payload.data() + sizeof head, 1, rest, file_) != rest) noteEnd();
    return true;
  }

  // The end of the file or a read error; errno is kept at once, before anything else can change it.
  void noteEnd() {
    failed_ = true;
    if (std::ferror(file_) && readErrno_ == 0) readErrno_ = errno ? errno : EIO;
  }

  ExifSegmentSearch& finish(ExifSegmentSearch& result, Outcome outcome) {
    if (readErrno_ != 0 || std::ferror(file_)) {
      result.outcome = Outcome::ReadError;
      result.errorText = std::strerror(readErrno_ ? readErrno_ : EIO);
      result.payload.clear();
    } else {
      result.outcome = outcome;
    }
    return result;
  }

  std::FILE* file_;
  bool failed_ = false;
  int readErrno_ = 0;
};

// PNG and WebP keep the block in a chunk; a read error is told apart from a file without one.
ExifSegmentSearch fromChunk(std::FILE* file, ExifContainer container) {
  ExifSegmentSearch result;
  errno = 0;
  std::optional<std::vector<std::uint8_t>> block = FindExifChunk(file, container);
  if (std::ferror(file)) {
    result.outcome = Outcome::ReadError;
    result.errorText = std::strerror(errno ? errno : EIO);
  } else if (block) {
    result.outcome = Outcome::Found;
    result.payload = std::move(*block);
  } else {
    result.outcome = Outcome::NoExifSegment;
  }
  return result;
}

}  // namespace

ExifSegmentSearch FindExifSegment(const std::string& path) {
  errno = 0;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    ExifSegmentSearch result;
    result.outcome = Outcome::ReadError;
    result.errorText = std::strerror(errno);
    return result;
  }
  std::uint8_t head[12] = {};
  ExifContainer container = std::fread(head, 1, sizeof head, file.get()) == sizeof head
                                ? ExifContainerOf(head)
                                : ExifContainer::Other;
  if (container != ExifContainer::Other) return fromChunk(file.get(), container);
  std::rewind(file.get());
  return SegmentScanner(file.get()).run();
}

}  // namespace lumivex
