// The file readers. Each releases what the picture holds, then fills it from the file or leaves it
// empty when the file cannot be opened or decoded; none reports anything else.
#pragma once

#include "picture/picture.h"

namespace corvale {

void readJpegFile(const char* path, gdi::HDC referenceDc, Picture& picture);
void readBmpFile(const char* path, gdi::HDC referenceDc, Picture& picture);
void readGifFile(const char* path, gdi::HDC referenceDc, Picture& picture);
void readHdPhotoFile(const char* path, gdi::HDC referenceDc, Picture& picture);

}  // namespace corvale
