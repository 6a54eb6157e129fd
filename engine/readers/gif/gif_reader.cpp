// GIF files: the first image of the file, on a picture as large as the largest of the logical
// screen and all images. The image's offsets are not applied and areas it does not cover stay
// black; animation does not reach the picture. Transparency reaches it only when the picture
// wants its alpha (gif_transparency.h); otherwise the transparent index shows its table colour.
#include "readers/file_bytes.h"
#include "readers/gif/gif_decoder.h"
#include "readers/gif/gif_transparency.h"
#include "readers/readers.h"

namespace corvale {

namespace {

// The device-context layer turns the frame's 8-bit colours into the picture's 32-bit pixels. Only
// the frame's own area is copied: the rest of the picture stays black, as it was allocated.
void copyFrameToPicture(const GifFrame& frame, gdi::HDC referenceDc, Picture& picture) {
  gdi::HDC frameDc = gdi::CreateCompatibleDC(referenceDc);
  if (!frameDc) return;
  gdi::HGDIOBJ previous = gdi::SelectObject(frameDc, frame.bitmap);
  gdi::BitBlt(picture.memoryDc, 0, 0, frame.width, frame.height, frameDc, 0, 0, gdi::SRCCOPY);
  if (previous) gdi::SelectObject(frameDc, previous);
  gdi::DeleteDC(frameDc);
}

LoadOutcome pictureOfFirstFrame(const GifDecoder& decoder, gdi::HDC referenceDc, Picture& picture) {
  if (decoder.frames().empty()) return decoder.failure();
  allocatePicture(picture, decoder.screenWidth(), decoder.screenHeight(), referenceDc);
  if (picture.empty())
    return tooLargeForMemory(static_cast<std::uint64_t>(decoder.screenWidth()),
                             static_cast<std::uint64_t>(decoder.screenHeight()));
  copyFrameToPicture(decoder.frames().front(), referenceDc, picture);
  keepGifTransparency(decoder.frames().front(), picture);
  return decoder.warning();
}

}  // namespace

LoadOutcome readGifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  GifDecoder decoder(bytes, referenceDc);
  return pictureOfFirstFrame(decoder, referenceDc, picture);
}

}  // namespace corvale
