// The pixels of a BMP file: uncompressed rows (colour-table indices of 1, 2, 4 or 8 bits, 16 and
// 32-bit bit fields, 24-bit blue-green-red) and the run-length codings RLE8 and RLE4. Each fills
// a picture allocated at the layout's size from the cursor's position on, and says what the data
// lacked: clean, a warning when the file ends before the last row (rows it does not hold stay
// black), or a refusal when nothing at all could be decoded.
#pragma once

#include "picture/load_cause.h"
#include "picture/picture.h"
#include "readers/bmp_layout.h"
#include "readers/byte_cursor.h"

namespace corvale {

// The smallest file remainder the layout's pixels could possibly come in; a file shorter than
// that declares a size it cannot hold.
bool bmpDataCouldFill(const BmpLayout& layout, std::size_t remaining);

LoadOutcome readBmpRows(ByteCursor& in, const BmpLayout& layout, Picture& picture);
LoadOutcome readBmpRuns(ByteCursor& in, const BmpLayout& layout, Picture& picture);

}  // namespace corvale
