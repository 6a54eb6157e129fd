// Fuzzes the JPEG reader on its in-memory entry point, and its planned load. Besides never crashing, every
// picture the reader leaves empty must come with a cause and the reason why, and only those.
#include <cstddef>
#include <cstdint>

#include "fuzz_planned.h"
#include "readers/planned_readers.h"
#include "readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvale::Picture picture;
  corvale::LoadOutcome outcome = corvale::readJpegBytes({data, size}, nullptr, picture);
  bool refused = !outcome.clean() && !outcome.warned();
  if (picture.empty() != refused || (!outcome.clean() && outcome.reason.empty())) __builtin_trap();
  corvale::releasePicture(picture);
  fuzzPlannedRead(&corvale::loadJpegPlanned, data, size);
  return 0;
}
