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
#include "picture/source_file.h"

namespace corvale {

namespace {

// Each worker thread loads its own photos, so each keeps its own outcome.
thread_local LoadOutcome lastOutcome;

// No reader needs more than this; a larger file is refused before it is read.
constexpr std::uint64_t kMaxSourceFileBytes = std::uint64_t{1} << 31;

const LoadOutcome kNotAPicture{LoadCause::kNotAnImage, "is not a picture this engine reads"};

LoadOutcome readChosenReader(const char* path, Picture& picture, gdi::HDC referenceDc) {
  SourceFile source = readSourceFile(path);
  if (!source.failure.clean()) return source.failure;
  return source.format->read(source.file.bytes, referenceDc, picture);
}

}  // namespace

SourceFile readSourceFile(const char* path) {
  SourceFile source;
  if (!path || !*path) {
    source.failure = {LoadCause::kNoName, "has no name"};
    return source;
  }
  source.file = readFileBytes(path, kMaxSourceFileBytes);
  source.failure = source.file.failure;
  if (!source.failure.clean()) return source;
  source.format = formatOfContent(source.file.bytes);
  if (!source.format) source.format = formatOfName(path);
  if (!source.format || !source.format->read) source.failure = kNotAPicture;
  return source;
}

void loadPictureFile(const char* path, Picture& picture, gdi::HDC referenceDc) {
  releasePicture(picture);
  LoadOutcome outcome = readChosenReader(path, picture, referenceDc);
  keepLoadOutcome(outcome, !picture.empty());
}

// A reader that gave up without saying why still leaves a reason behind; a picture given is never
// counted as a failure.
void keepLoadOutcome(const LoadOutcome& outcome, bool loaded) {
  lastOutcome = outcome;
  if (!loaded && (outcome.clean() || outcome.warned()))
    lastOutcome = {LoadCause::kDecoderFailure, outcome.reason.empty() ? "cannot be decoded" : outcome.reason};
  if (loaded && !outcome.clean() && !outcome.warned()) lastOutcome.cause = LoadCause::kWarnings;
}

void loadJpegInks(const char* path, Picture& picture) {
  releasePicture(picture);
  SourceFile source = readSourceFile(path);
  LoadOutcome outcome = source.failure.clean() ? readJpegInks(source.file.bytes, picture) : source.failure;
  keepLoadOutcome(outcome, !picture.empty());
}

const char* lastLoadMessage() { return lastOutcome.reason.c_str(); }

LoadCause lastLoadCause() { return lastOutcome.cause; }

}  // namespace corvale
