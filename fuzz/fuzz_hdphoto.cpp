// Fuzzes the HD Photo reader.
#include "fuzz_input_file.h"
#include "picture/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvale::Picture picture;
  corvale::loadPictureFile(writeFuzzInput(data, size, ".wdp").c_str(), picture, nullptr);
  corvale::releasePicture(picture);
  return 0;
}
