// The choice of reader: the path's last four characters, lower-cased, and nothing else. File
// contents are never sniffed, so a JPEG named .bmp goes to the BMP reader and is refused there.
#include <cctype>
#include <cstring>
#include <string>

#include "picture/picture.h"
#include "readers/readers.h"

namespace corvale {

void loadPictureFile(const char* path, Picture& picture, gdi::HDC referenceDc) {
  releasePicture(picture);
  std::size_t length = path ? std::strlen(path) : 0;
  if (length < 4) return;
  std::string tail(path + length - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (tail == ".jpg" || tail == "jpeg")
    readJpegFile(path, referenceDc, picture);
  else if (tail == ".bmp")
    readBmpFile(path, referenceDc, picture);
  else if (tail == ".gif")
    readGifFile(path, referenceDc, picture);
  else if (tail == ".wdp" || tail == ".hdp")
    readHdPhotoFile(path, referenceDc, picture);
}

}  // namespace corvale
