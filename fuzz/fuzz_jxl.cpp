// Fuzzes the JPEG XL reader on its in-memory entry point. Besides never crashing, every picture the
// reader leaves empty must come with the reason why.
#include <cstddef>
#include <cstdint>

#include "readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvale::Picture picture;
  std::string message = corvale::readJxlBytes({data, size}, nullptr, picture);
  if (picture.empty() && message.empty()) __builtin_trap();
  corvale::releasePicture(picture);
  return 0;
}
