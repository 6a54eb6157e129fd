// GIF files: not decoded yet; the picture stays empty.
#include "readers/readers.h"

namespace corvale {

void readGifFile(const char*, gdi::HDC, Picture& picture) { releasePicture(picture); }

}  // namespace corvale
