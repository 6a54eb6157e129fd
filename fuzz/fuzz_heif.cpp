// Fuzzes the HEIF (HEIC and AVIF) reader on its in-memory entry point. Besides never crashing, every picture
// the reader leaves empty must come with the reason why.
#include <cstddef>
#include <cstdint>

#include "readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvale::Picture picture;
  corvale::LoadOutcome outcome = corvale::readHeifBytes({data, size}, nullptr, picture);
  bool refused = !outcome.clean() && !outcome.warned();
  if (picture.empty() != refused || (!outcome.clean() && outcome.reason.empty())) __builtin_trap();
  corvale::releasePicture(picture);
  return 0;
}
