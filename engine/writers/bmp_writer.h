// Writing a picture as a Windows bitmap file: uncompressed, 24 bits per pixel, bottom-up, with
// the 14-byte file header and the 40-byte information header.
#pragma once

#include "picture/picture.h"

namespace corvale {

// Creates the file at `path`, or cuts an existing one to length, and writes `picture` to it.
// False only when the file cannot be opened; write errors after that are not reported.
bool storeBmp(const Picture& picture, const char* path);

}  // namespace corvale
