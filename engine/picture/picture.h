// The engine's picture: a 32-bit top-down DIB section selected into a memory device context of
// its own. Row y starts at byte y * width * 4; each pixel is blue, green, red and a fourth byte
// that carries no meaning, unless the picture holds transparency (alphaKept): the fourth byte is
// then the pixel's opacity and blue, green and red are premultiplied by it, so that every resample
// of the four bytes weighs a colour by how much of it shows and a transparent edge gets no fringe.
#pragma once

#include <cstdint>
#include <string>

#include "picture/load_cause.h"
#include "platform/gdi.h"

namespace corvale {

struct Picture {
  gdi::HDC memoryDc = nullptr;
  gdi::HBITMAP bitmap = nullptr;
  std::uint8_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  // Set before a read: a reader that meets transparency keeps it (alphaKept) instead of
  // compositing it over white. A request about the filling, not the pixels: releasing keeps it.
  bool alphaWanted = false;
  // The fourth byte is the opacity, the colours premultiplied by it.
  bool alphaKept = false;

  bool empty() const { return pixels == nullptr; }
};

// Sizes `picture` to width by height with zeroed pixels, releasing what it held. A size that is
// not positive or a bitmap that cannot be had (too large for memory) leaves the picture empty,
// with width and height 0, so that no caller ever writes through a null pixel pointer.
void allocatePicture(Picture& picture, std::int32_t width, std::int32_t height, gdi::HDC referenceDc);

// The same with pixels left undefined, for a reader that writes every byte of every row.
void allocatePictureToFill(Picture& picture, std::int32_t width, std::int32_t height, gdi::HDC referenceDc);

// Frees the bitmap and the device context and empties the picture; alphaWanted stays.
void releasePicture(Picture& picture);

// Reads an image file into `picture`, choosing the reader by the file's content (the table of
// formats), by its extension when no signature matches. The picture is empty when no format reads
// the file or it cannot be read.
void loadPictureFile(const char* path, Picture& picture, gdi::HDC referenceDc);

// Reads a JPEG file whatever its name, a CMYK or YCCK file's four inks kept in the pixels' four
// bytes (readers.h, CmykPixels::Inks); the message is kept as for loadPictureFile.
void loadJpegInks(const char* path, Picture& picture);

// What the calling thread's last loadPictureFile had to say: "" for a clean load, why the picture
// came out empty, or the decoder's warnings when it loaded damaged. Valid until the thread's next
// load.
const char* lastLoadMessage();
// The cause beside that message: kNone for a clean load, kWarnings for a picture loaded damaged,
// else why the picture came out empty.
LoadCause lastLoadCause();

// Makes `outcome` the calling thread's last load outcome, for a load that does not go through
// loadPictureFile alone; `loaded` says whether it gave a picture (a reason is then a warning, and
// an empty picture always has one).
void keepLoadOutcome(const LoadOutcome& outcome, bool loaded);

// Pointer to pixel (x, y); the caller keeps x and y inside the picture.
inline std::uint8_t* pixelAt(const Picture& p, std::int32_t x, std::int32_t y) {
  return p.pixels +
         (static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) + static_cast<std::size_t>(x)) * 4;
}

}  // namespace corvale
