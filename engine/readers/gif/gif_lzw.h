// The variable-length-code LZW decoder of GIF89a (section 22, Appendix F).
#pragma once

#include "picture/load_cause.h"
#include "readers/byte_cursor.h"
#include "readers/gif/gif_frame_writer.h"

namespace corvale {

// Decodes one frame's table-based image data from `in`: the LZW minimum code size byte, then
// data sub-blocks. Stops at the end code, when `out` is full, or where the data ends (a zero
// length byte or the end of the file). `in` is left right after the last sub-block read, so
// whatever follows the end code is left to the caller. Returns why the frame cannot be had (the
// file ends before the code size or before any pixel, the code size would make codes wider than
// 12 bits, or a code lies beyond the table: invalid data); a warning when the data ends before
// the frame is full (the rest stays index 0); else a clean outcome.
LoadOutcome decodeGifLzw(ByteCursor& in, GifFrameWriter& out);

}  // namespace corvale
