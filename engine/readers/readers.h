// The file readers. Each releases what the picture holds, then fills it from the file, and
// returns what the caller should know as a cause with its text: a clean read (kNone, no text);
// why it gave up when the picture is left empty (kNotAnImage "is not a BMP file", kUnsupported
// "BMP with a 12-byte info header is not supported", kTooLargeForItsFile "is too short for its
// size (23000 x 23000)"); kWarnings with the decoder's complaints when the picture loaded but
// damaged. The texts start in lower case and never name the file: the caller puts the name in
// front.
//
// Every reader also takes the file's bytes from memory, which is what the path readers do once
// they have read the file, and what the fuzzers call directly.
#pragma once

#include <cstdint>
#include <span>

#include "picture/load_cause.h"
#include "picture/picture.h"

namespace corvale {

using Bytes = std::span<const std::uint8_t>;

LoadOutcome readJpegFile(const char* path, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readBmpFile(const char* path, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readGifFile(const char* path, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readHdPhotoFile(const char* path, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readPngFile(const char* path, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readWebpFile(const char* path, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readTiffFile(const char* path, gdi::HDC referenceDc, Picture& picture);
// HEIC, HEIF and AVIF: one container, two codecs.
LoadOutcome readHeifFile(const char* path, gdi::HDC referenceDc, Picture& picture);

LoadOutcome readJpegBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readBmpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readGifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readHdPhotoBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readPngBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readWebpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readTiffBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readHeifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);

}  // namespace corvale
