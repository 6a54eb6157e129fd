// The file readers. Each releases what the picture holds, then fills it from the file, and
// returns what the caller should know as a cause with its text: a clean read (kNone, no text);
// why it gave up when the picture is left empty (kNotAnImage "is not a BMP file", kUnsupported
// "64-bit BMP is not supported", kTooLargeForItsFile "is too short for its size (23000 x
// 23000)"); kWarnings with the decoder's complaints when the picture loaded but damaged. The
// texts start in lower case and never name the file: the caller puts the name in front.
//
// Every reader parses the file's bytes from memory: the load reads the file once and asks the table
// of formats (formats/format_table.h) which reader takes it; the fuzzers call them directly.
#pragma once

#include <cstdint>
#include <span>

#include "picture/load_cause.h"
#include "picture/picture.h"

namespace corvale {

using Bytes = std::span<const std::uint8_t>;

LoadOutcome readJpegBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
// A CMYK or YCCK JPEG file's four inks as it stores them (Adobe's inverted convention, cyan in the
// pixel's first byte), for a caller that turns them into RGB through the file's own colour
// profile; any other JPEG file reads as readJpegBytes reads it.
LoadOutcome readJpegInks(Bytes bytes, Picture& picture);
LoadOutcome readBmpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readGifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readHdPhotoBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readPngBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readWebpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readTiffBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
// HEIC, HEIF and AVIF: one container, two codecs.
LoadOutcome readHeifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
LoadOutcome readJxlBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);

}  // namespace corvale
