// Fuzzes the Exif block: the segment scan of a JPEG file and the IFD0 walk of what it finds; the
// block built from a TIFF file's IFDs and the one taken from a HEIF Exif item, from the same bytes.
#include "metadata/exif_block.h"
#include "metadata/heif_metadata.h"
#include "metadata/tiff_exif_block.h"
#include "metadata/tiff_structure.h"
#include "utilities/user_prompts.h"
#include "fuzz_input_file.h"

namespace {

class SilentPrompts : public lumivex::UserPrompts {
 public:
  void notice(const std::string&) override {}
  bool askYesNo(const std::string&) override { return false; }
};

// A block made from untrusted bytes fits an APP1 segment and can be marked upright in place.
void checkBuiltBlock(std::optional<std::vector<std::uint8_t>> block) {
  if (!block) return;
  if (block->size() > 65533) __builtin_trap();
  std::size_t before = block->size();
  lumivex::MarkExifUpright(*block);
  if (block->size() != before) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  checkBuiltBlock(lumivex::BuildExifFromTiff(bytes));
  checkBuiltBlock(lumivex::ExifBlockFromHeifItem(bytes));
  static SilentPrompts silent;
  lumivex::setUserPrompts(&silent);
  lumivex::CExif exif;
  if (!exif.LoadFromJPEG(writeFuzzInput(data, size, ".jpg"))) return 0;
  for (int tag : {274, 0x0100, 0x0112, 0x8769, 0})
    if (exif.getField(tag).size() > 10) __builtin_trap();  // a 32-bit value has at most ten digits
  std::size_t before = exif.getAPP1().size();
  exif.setField(274, 1);
  exif.setField(0x0100, 0xAB);
  if (exif.getAPP1().size() != before) __builtin_trap();  // the block never changes size
  return 0;
}
