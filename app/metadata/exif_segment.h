// Reads the metadata segments of a JPEG file that the program carries into its output: the Exif
// APP1 segment, the XMP APP1 segment and the ICC profile spread over APP2 segments. All three come
// from one scan of the segments before the first start-of-scan, a segment at a time, so the
// picture data is never read. Camera files put the Exif segment first; files that went through an
// editor usually have a JFIF APP0 segment before it. A PNG or WebP file (known by its signature)
// gives its Exif chunk instead, as the same block, and no XMP or ICC profile; so do a TIFF file
// (the block built from its IFDs) and a HEIF file (its Exif item), with orientation 1 in the
// block, since their readers turn the pixels themselves.
//
// Only a regular file is read: the file is opened without blocking (a FIFO would wait for a
// writer) and anything else is refused with a read error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex {

struct ExifSegmentSearch {
  enum class Outcome { NotJpeg, NoExifSegment, Found, ReadError };
  Outcome outcome = Outcome::NotJpeg;
  std::vector<std::uint8_t> payload;  // the APP1 payload when found
  std::string errorText;              // the system's description of a read error
};

// The first Exif APP1 segment (its payload starts with "Exif" and two zero bytes).
ExifSegmentSearch FindExifSegment(const std::string& path);

// The three metadata blocks of one file; an empty vector is a block the file does not have.
//   outcome  NotJpeg (no SOI), ReadError (errorText says why; every block empty), otherwise
//            Found when the Exif segment is there and NoExifSegment when it is not: the XMP and
//            ICC blocks may be present either way.
//   exif     the first Exif APP1 payload, identifier included ("Exif\0\0" ...). A file that ends
//            inside it leaves the missing bytes zero, as short camera files have always been read.
//   xmp      the first XMP APP1 payload, identifier included ("http://ns.adobe.com/xap/1.0/\0"
//            and the packet); dropped when the file ends inside it. Extended XMP is not carried.
//   icc      the ICC profile reassembled from its APP2 "ICC_PROFILE\0" chunks in sequence order;
//            dropped whole when a chunk is malformed, missing, repeated or cut short.
struct JpegMetadata {
  ExifSegmentSearch::Outcome outcome = ExifSegmentSearch::Outcome::NotJpeg;
  std::vector<std::uint8_t> exif;
  std::vector<std::uint8_t> icc;
  std::vector<std::uint8_t> xmp;
  std::string errorText;
};

// `wantExif` false leaves out the Exif block where finding it costs more than a scan of the file's
// start (a TIFF file read whole, a HEIF file parsed in a child process).
JpegMetadata ReadJpegMetadata(const std::string& path, bool wantExif = true);

}  // namespace lumivex
