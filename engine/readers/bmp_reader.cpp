// Windows and OS/2 bitmap files: colour-table images of 1, 2, 4 and 8 bits, 16 and 32-bit
// pixels with or without bit fields (alpha composited over white), 24-bit pixels, and the
// run-length codings RLE8 and RLE4; rows bottom-up or top-down. Layout after the Microsoft "BMP
// file format" description and IBM's OS/2 bitmap headers. Every size, offset and run is checked
// against the file before it is used, and a picture is refused before it is allocated when the
// file is far too short to hold the pixels it declares. JPEG and PNG inside a BMP, OS/2 Huffman
// and RLE24, and 64-bit pixels are refused as not supported.
#include "readers/bmp_layout.h"
#include "readers/bmp_rows.h"
#include "readers/file_bytes.h"
#include "readers/readers.h"

namespace corvale {

namespace {

LoadOutcome allocate(Picture& picture, std::int32_t width, std::int32_t height, gdi::HDC referenceDc) {
  allocatePicture(picture, width, height, referenceDc);
  return picture.empty()
             ? tooLargeForMemory(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))
             : LoadOutcome();
}

}  // namespace

LoadOutcome readBmpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return {LoadCause::kTruncated, "is empty"};
  ByteCursor in(bytes);
  BmpLayout layout;
  if (LoadOutcome refusal = readBmpLayout(in, layout); !refusal.clean()) return refusal;
  if (!bmpDataCouldFill(layout, in.remaining())) return tooShortForItsSize(layout.width, layout.height);
  if (LoadOutcome refusal = allocate(picture, layout.width, layout.height, referenceDc); !refusal.clean())
    return refusal;
  bool runs = layout.coding == BmpCoding::kRle8 || layout.coding == BmpCoding::kRle4;
  LoadOutcome outcome = runs ? readBmpRuns(in, layout, picture) : readBmpRows(in, layout, picture);
  if (!outcome.clean() && !outcome.warned()) releasePicture(picture);
  return outcome;
}

}  // namespace corvale
