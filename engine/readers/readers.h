// The file readers. Each releases what the picture holds, then fills it from the file, and
// returns what the caller should know: nothing ("") for a clean read; why it gave up when the
// picture is left empty ("is not a BMP file", "16-bit BMP is not supported", "is too short for
// its size (23000 x 23000)"); the decoder's complaints when the picture loaded but damaged. The
// texts start in lower case and never name the file: the caller puts the name in front.
//
// Every reader also takes the file's bytes from memory, which is what the path readers do once
// they have read the file, and what the fuzzers call directly.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "picture/picture.h"

namespace corvale {

using Bytes = std::span<const std::uint8_t>;

// What a CMYK or YCCK JPEG file's pixels become: RGB by Adobe's inverted convention, or its four
// inks as stored (inverted, cyan in the first byte), for a caller that converts them through the
// file's own colour profile.
enum class CmykPixels { Rgb, Inks };

std::string readJpegFile(const char* path, gdi::HDC referenceDc, Picture& picture,
                         CmykPixels cmyk = CmykPixels::Rgb);
std::string readBmpFile(const char* path, gdi::HDC referenceDc, Picture& picture);
std::string readGifFile(const char* path, gdi::HDC referenceDc, Picture& picture);
std::string readHdPhotoFile(const char* path, gdi::HDC referenceDc, Picture& picture);
std::string readPngFile(const char* path, gdi::HDC referenceDc, Picture& picture);
std::string readWebpFile(const char* path, gdi::HDC referenceDc, Picture& picture);
std::string readTiffFile(const char* path, gdi::HDC referenceDc, Picture& picture);
// HEIC, HEIF and AVIF: one container, two codecs.
std::string readHeifFile(const char* path, gdi::HDC referenceDc, Picture& picture);

std::string readJpegBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture,
                          CmykPixels cmyk = CmykPixels::Rgb);
std::string readBmpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readGifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readHdPhotoBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readPngBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readWebpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readTiffBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
std::string readHeifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture);

}  // namespace corvale
