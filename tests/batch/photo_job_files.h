// Files for the photo job and headless tests: small BMP sources written byte by byte, and the
// size of a written JPEG as libjpeg-turbo reads it (an oracle independent of our encoder).
#pragma once

#include <cstdint>
#include <string>

#include "batch/photo_job_geometry.h"

namespace testing_support {

// A 24-bit bottom-up BMP of the given size, filled with a colour gradient.
void writeGradientBmp(const std::string& path, std::int32_t width, std::int32_t height);

// The size in the frame header of a JPEG file, read by libjpeg-turbo; {0, 0} when it cannot read it.
lumivex::PictureSize jpegSize(const std::string& path);

// The Exif orientation of a file as exiftool reads it (-n); empty when it has none.
std::string exiftoolOrientation(const std::string& path);

}  // namespace testing_support
