// Where a reader that decodes row by row puts its rows, for a caller that takes them as they are
// decoded instead of as a whole picture: the planned load's box stage, which reduces a photo
// without ever holding it at full size. The rows are the bytes the picture would hold, except
// that the fourth byte of each pixel is left undefined.
#pragma once

#include <cstdint>

#include "readers/readers.h"

namespace corvale {

class RowSink {
 public:
  virtual ~RowSink() = default;
  // The header is read and the picture's size is known. Returns clean to go on with the rows, or
  // why the decode is to stop (the read then fails with that reason).
  virtual LoadOutcome begin(std::int32_t width, std::int32_t height) = 0;
  // Where row y goes: width pixels of blue, green, red and a fourth byte.
  virtual std::uint8_t* rowFor(std::int32_t y) = 0;
  // How many rows from y on may be written (each to its own rowFor) before rowsDone; at least 1.
  virtual std::int32_t rowsAhead(std::int32_t y) = 0;
  // Every row above `end` is in place. Rows the file does not give (it is cut short) come as black.
  virtual void rowsDone(std::int32_t end) = 0;
  // True for a sink that takes a CMYK JPEG file's four inks as stored instead of RGB.
  virtual bool takesInks() const { return false; }
};

}  // namespace corvale
