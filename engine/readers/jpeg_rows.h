// The JPEG reader's rows, for a caller that takes them as they are decoded instead of as a whole
// picture (readers/row_sink.h). The reader's checks, its warnings and its reasons are the same as
// for a picture.
#pragma once

#include <cstdint>

#include "readers/readers.h"
#include "readers/row_sink.h"

namespace corvale {

// Decodes the JPEG file in `bytes` into `sink`, with what readJpegBytes would say: clean, the
// reason when it failed (begin's own included), or the decoder's warnings. `completed` tells
// which: true when every row reached the sink.
LoadOutcome readJpegRows(Bytes bytes, RowSink& sink, bool& completed);

}  // namespace corvale
