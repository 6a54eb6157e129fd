// How each format's content is recognised from its first bytes, whatever the file is called: the
// magic numbers each format's own standard puts at the start of a file.
#pragma once

#include "readers/readers.h"

namespace corvale {

bool hasJpegSignature(Bytes head);
bool hasPngSignature(Bytes head);
bool hasGifSignature(Bytes head);
bool hasBmpSignature(Bytes head);
bool hasTiffSignature(Bytes head);
bool hasWebpSignature(Bytes head);
bool hasHdPhotoSignature(Bytes head);
// HEIF files with HEVC images (and the generic HEIF brands), and HEIF files with AV1 images: both
// start with a file type box, told apart by the brands it names.
bool hasHeicSignature(Bytes head);
bool hasAvifSignature(Bytes head);
// A JPEG XL bare codestream (0xFF 0x0A) or its box container (the 12-byte "JXL " signature box).
bool hasJxlSignature(Bytes head);

}  // namespace corvale
