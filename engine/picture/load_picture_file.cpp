// The choice of reader: the file's content first, so that a JPEG saved as "photo.png" (as many web
// pages hand them out) is read as the JPEG it is; the name's extension only when no format's
// signature matches, so that a damaged file still meets the reader that can say what is wrong
// with it. The file is read once, here, and every reader parses it from memory.
// What the reader said about the file, its cause and its text, is kept for the calling thread
// until its next load.
#include <cstdint>
#include <string>

#include "formats/format_table.h"
#include "picture/picture.h"
#include "readers/file_bytes.h"

namespace corvale {

namespace {

// Each worker thread loads its own photos, so each keeps its own outcome.
thread_local LoadOutcome lastOutcome;

// No reader needs more than this; a larger file is refused before it is read.
constexpr std::uint64_t kMaxSourceFileBytes = std::uint64_t{1} << 31;

const ImageFormat* readerFor(const char* path, Bytes content) {
  if (const ImageFormat* format = formatOfContent(content)) return format;
  return formatOfName(path);
}

LoadOutcome readByContent(const char* path, Picture& picture, gdi::HDC referenceDc) {
  if (!path || !*path) return {LoadCause::kNoName, "has no name"};
  FileBytes file = readFileBytes(path, kMaxSourceFileBytes);
  if (!file.failure.clean()) return file.failure;
  const ImageFormat* format = readerFor(path, file.bytes);
  if (!format || !format->read) return {LoadCause::kNotAnImage, "is not a picture this engine reads"};
  return format->read(file.bytes, referenceDc, picture);
}

}  // namespace

void loadPictureFile(const char* path, Picture& picture, gdi::HDC referenceDc) {
  releasePicture(picture);
  lastOutcome = readByContent(path, picture, referenceDc);
  // A reader that gave up without saying why still leaves a reason behind; a picture given is
  // never counted as a failure.
  if (picture.empty() && (lastOutcome.clean() || lastOutcome.warned()))
    lastOutcome = {LoadCause::kDecoderFailure,
                   lastOutcome.reason.empty() ? "cannot be decoded" : lastOutcome.reason};
  if (!picture.empty() && !lastOutcome.clean() && !lastOutcome.warned())
    lastOutcome.cause = LoadCause::kWarnings;
}

const char* lastLoadMessage() { return lastOutcome.reason.c_str(); }

LoadCause lastLoadCause() { return lastOutcome.cause; }

}  // namespace corvale
