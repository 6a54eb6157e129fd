// A GIF's transparent colour index kept as opacity, for a picture that wants its alpha: the one
// place that decides which pixels of the first frame show through.
#pragma once

#include "picture/picture.h"
#include "readers/gif/gif_decoder.h"

namespace corvale {

// When the picture wants its alpha and the first frame shows its transparent index at least once:
// every pixel of that index becomes opacity 0 with colour 0 (premultiplied), every other pixel
// opacity 255, and the picture keeps its alpha. Otherwise the picture is left as it is, so an
// opaque GIF keeps its exact bytes. The frame must already be copied into the picture.
void keepGifTransparency(const GifFrame& frame, Picture& picture);

}  // namespace corvale
