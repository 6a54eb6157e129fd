// The metadata of one photo, read in one pass over one open of its file, whatever its container:
//   JPEG       APP1 Exif, APP1 XMP with its extension segments, APP2 ICC chunks (jpeg_metadata.h)
//   PNG        eXIf, iTXt "XML:com.adobe.xmp", iCCP (container_chunks.h)
//   WebP       the RIFF chunks EXIF, "XMP ", ICCP (container_chunks.h)
//   TIFF       IFD0 with its Exif and GPS IFDs built into a block, tag 700 XMP, tag 34675 ICC
//   HEIF/AVIF  the primary image's Exif and XMP items and its colr profile (heif_metadata.h)
//   BMP        a version 5 header's embedded profile
//   JPEG XL    a container's "Exif" and "xml " boxes, the codestream's colour profile (libjxl)
//   others     none
// The Exif block always comes as an APP1 payload ("Exif\0\0" and the TIFF structure), so the rest
// of the batch treats every source as it treats a JPEG's. Problems are answered as values; nothing
// here speaks to the user.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/format_table.h"

namespace lumivex {

// Where a file keeps its metadata, as the table of formats says for its content (its name only
// when no format's signature matches, as for the engine's choice of reader).
using MetadataContainer = corvale::MetadataContainer;

enum class MetadataRead {
  Read,       // the file was read; each block may still be missing
  NotOpened,  // the file cannot be opened or is not a regular file (the load will say why)
  ReadError,  // reading failed part way; errorText says why, every block is empty
};

struct PhotoMetadata {
  MetadataRead outcome = MetadataRead::Read;
  std::string errorText;  // the system's description of a failure
  MetadataContainer container = MetadataContainer::None;
  // The file's row of the table of formats, by its content (its name when no row knows the
  // content); nullptr when neither is known.
  const corvale::ImageFormat* format = nullptr;
  std::vector<std::uint8_t> exif;  // APP1 payload with its identifier; empty for none
  std::vector<std::uint8_t> xmp;   // the XMP packet itself; empty for none
  // A JPEG's extended XMP (the part of a large packet carried in further APP1 segments), whole,
  // and the GUID the main packet names it by; both empty for none or when incomplete.
  std::vector<std::uint8_t> xmpExtension;
  std::string xmpExtensionGuid;
  std::vector<std::uint8_t> icc;  // the embedded ICC profile; empty for none
  // The engine's reader of this container turns the pixels itself (TIFF, HEIF): the Exif block
  // already says orientation 1, and the batch does not turn the photo again.
  bool turnedByReader = false;
  int jpegComponents = 0;         // a JPEG frame's component count: 1 grey, 3 colour, 4 CMYK or YCCK
  std::int64_t decoderBytes = 0;  // what its decoder needs beyond the ordinary (decoder_memory.h)
};

// The row of a file with these first bytes (corvale::kSignatureBytes are enough) and name: by its
// content, by its name when no row knows the content.
const corvale::ImageFormat* FormatOf(std::span<const std::uint8_t> head, const std::string& path);

// Opens `path` once (without blocking, a regular file only) and reads all of its metadata.
PhotoMetadata ReadPhotoMetadata(const std::string& path);

}  // namespace lumivex
