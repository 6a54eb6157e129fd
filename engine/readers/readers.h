// The file readers. Each releases what the picture holds, then fills it from the file, and
// returns what the caller should know: nothing ("") for a clean read; why it gave up when the
// picture is left empty ("is not a BMP file", "16-bit BMP is not supported", "is too short for
// its size (23000 x 23000)"); the decoder's complaints when the picture loaded but damaged. The
// texts start in lower case and never name the file: the caller puts the name in front.
//
// Every reader parses the file's bytes from memory: the load reads the file once and asks the table
// of formats (formats/format_table.h) which reader takes it; the fuzzers call them directly.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "picture/picture.h"

namespace corvale {

using Bytes = std::span<const std::uint8_t>;

std::string readJpegBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
// A CMYK or YCCK JPEG file's four inks as it stores them (Adobe's inverted convention, cyan in the
// pixel's first byte), for a caller that turns them into RGB through the file's own colour
// profile; any other JPEG file reads as readJpegBytes reads it.
std::string readJpegInks(Bytes bytes, Picture& picture);
std::string readBmpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readGifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readHdPhotoBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readPngBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readWebpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readTiffBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readHeifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readJxlBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);

}  // namespace corvale
