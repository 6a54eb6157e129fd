// cJpeg: the program's own baseline JPEG encoder (ITU-T T.81 sequential DCT, 8-bit samples,
// Huffman tables optimised for each image, no restart intervals).
//
// One object per output file: set the quality (and the sampling factors, comment, Exif and XMP
// payloads and ICC profile), sample the picture from its device context with SampleHDC, then
// SaveFile. The object does all its work inside these calls and holds no file or device handle
// between them.
//
// Failures are exceptions: EncoderError (encoder_error.h) with number 1 and the encoder's message,
// 6 "Overflow" for a value that does not fit its field, 9 "Subscript out of range" for a save
// without sampled data; std::system_error for file-system failures of SaveFile.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "encoder/encoder_error.h"
#include "encoder/quality_search.h"
#include "encoder/quantization_tables.h"
#include "encoder/sampling.h"
#include "files/new_file.h"
#include "platform/gdi.h"

namespace lumivex {

class cJpeg {
 public:
  // Colour, 4:2:0 (Y 2x2, Cb and Cr 1x1), quality 75, no comment, no Exif.
  cJpeg();

  // Quality 1..100 rebuilds both quantization tables; other values are ignored.
  void setQuality(std::int32_t vData);
  std::int32_t quality() const;

  // Sampling factors 1..4 of Y, Cb and Cr; h2, v2, h3 and v3 all 0 select grey output (one 1x1
  // component). A factor out of range raises "Invalid Sampling Value" and changes nothing.
  // Drops coefficients sampled before.
  void SetSamplingFrequencies(std::int32_t h1, std::int32_t v1, std::int32_t h2, std::int32_t v2,
                              std::int32_t h3, std::int32_t v3);

  // Samples the lWidth x lHeight rectangle at (lSrcLeft, lSrcTop) of the device context with the
  // current quality and factors. 0 done; 1 when the off-screen bitmap cannot be made (no memory,
  // a size that is not positive) or the device context holds no bitmap; then nothing changes.
  std::int32_t SampleHDC(gdi::HDC lHDC, std::int32_t lWidth, std::int32_t lHeight, std::int32_t lSrcLeft,
                         std::int32_t lSrcTop);

  // Samples the rectangle as SampleHDC does and makes the file at the highest quality from
  // min(10, quality()) up to quality() that takes at most maxFileBytes bytes with every segment
  // set before (Exif, XMP, ICC profile, comment); at the lowest of them, with fits false, when none
  // does. The quality and the sampled coefficients become those of the file, so that quality()
  // tells the one chosen and FileBytes gives the same bytes again. Returns 1 as SampleHDC does,
  // and then nothing changes and `fit` stays as it was.
  std::int32_t SampleHDCWithin(gdi::HDC lHDC, std::int32_t lWidth, std::int32_t lHeight,
                               std::int32_t lSrcLeft, std::int32_t lSrcTop, std::int64_t maxFileBytes,
                               QualityFit& fit);

  // UTF-8 text of at most 65533 characters, else "Illegal Comment Length" and the comment stays.
  // Written as one Latin-1 byte per character; a character above U+00FF fails the save with the
  // overflow error.
  void setComment(const std::string& value);
  const std::string& comment() const;

  // APP1 payload (everything after the length field); fewer than 2 bytes means none.
  void setExif(std::vector<std::uint8_t> value);

  // XMP APP1 payload, identifier included ("http://ns.adobe.com/xap/1.0/\0" and the packet),
  // written right after the Exif segment; empty means none. Above 65533 bytes the save raises the
  // overflow error, as for Exif. `extension` holds the APP1 payloads of an extended XMP packet
  // (identifier, GUID, length, offset and part), written right after it.
  void setXmp(std::vector<std::uint8_t> packet, std::vector<std::vector<std::uint8_t>> extension = {});

  // ICC profile to embed as APP2 "ICC_PROFILE" chunks after the APP1 segments; empty means none.
  // A profile that needs more than 255 chunks (above 16707345 bytes) cannot be written: it is
  // refused, any profile set before is dropped, the photo is written without one and the call
  // returns false.
  bool setIccProfile(std::vector<std::uint8_t> profile);

  // Writes the file: 0 written, 1 empty name, 2 an entry of that name exists (hidden files,
  // folders and symbolic links included; it is never replaced or touched). The file appears
  // complete or not at all. With ExistingFile::Replace an existing regular file is replaced by
  // the complete new one in one atomic step (a failed write leaves it as it was) and the status
  // is 0 or 1; a folder, symbolic link or other special file of that name is never replaced and
  // raises std::system_error (EISDIR for a folder, EEXIST for the others).
  std::int32_t SaveFile(const std::string& fileName, ExistingFile existing = ExistingFile::Keep);
  // The complete file that SaveFile writes, for a caller that writes it itself (the batch encodes
  // on a job thread and names the file afterwards). Raises as SaveFile does, but for file errors.
  std::vector<std::uint8_t> FileBytes() const;

 private:
  JpegContent content() const;

  std::array<QuantTable, 4> QuantTables{};
  std::int32_t QualityValue = 0;
  ComponentSetup Setup;
  std::int32_t SamplePrecision = 0;
  std::int32_t ImageWidth = 0;
  std::int32_t ImageHeight = 0;
  // The tables the current coefficients were quantized with: the file's DQT segments must match
  // the coefficients even when the quality changed after sampling.
  std::array<QuantTable, 4> SampledTables{};
  std::string CommentText;
  std::vector<std::uint8_t> ExifBytes;
  std::vector<std::uint8_t> XmpBytes;
  std::vector<std::vector<std::uint8_t>> XmpExtension;
  std::vector<std::uint8_t> IccProfile;
};

}  // namespace lumivex
