// The numbers of the Exif block that more than one file of the program needs, named once: the
// identifier an APP1 segment's Exif payload starts with, the TIFF field types, and the tags the
// program reads or rewrites (TIFF 6.0 section 8, Exif 2.3 clauses 4.6.4 to 4.6.7).
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivex {

// "Exif" and two zero bytes: the identifier that opens the APP1 payload, before the TIFF header.
inline constexpr std::uint8_t kExifIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};
inline constexpr std::size_t kExifTiffStart = sizeof kExifIdentifier;  // TIFF offset o is index o + 6
// An APP1 segment carries at most 65533 bytes of payload (its length field counts itself).
inline constexpr std::size_t kMaxApp1Payload = 65533;

inline constexpr std::uint16_t kTiffTypeAscii = 2;
inline constexpr std::uint16_t kTiffTypeShort = 3;
inline constexpr std::uint16_t kTiffTypeLong = 4;
inline constexpr std::uint16_t kTiffTypeRational = 5;
inline constexpr std::uint16_t kTiffTypeIfd = 13;

// IFD0 and IFD1.
inline constexpr std::uint16_t kImageWidthTag = 0x0100;
inline constexpr std::uint16_t kImageLengthTag = 0x0101;
inline constexpr std::uint16_t kStripOffsetsTag = 0x0111;
inline constexpr std::uint16_t kOrientationTag = 0x0112;
inline constexpr std::uint16_t kStripByteCountsTag = 0x0117;
inline constexpr std::uint16_t kXResolutionTag = 0x011A;
inline constexpr std::uint16_t kYResolutionTag = 0x011B;
inline constexpr std::uint16_t kResolutionUnitTag = 0x0128;
inline constexpr std::uint16_t kThumbnailOffsetTag = 0x0201;
inline constexpr std::uint16_t kThumbnailLengthTag = 0x0202;
inline constexpr std::uint16_t kXmpTag = 0x02BC;  // a TIFF file's XMP packet
inline constexpr std::uint16_t kExifIfdTag = 0x8769;
inline constexpr std::uint16_t kGpsIfdTag = 0x8825;
inline constexpr std::uint16_t kIccProfileTag = 0x8773;  // a TIFF file's ICC profile
// The Exif IFD.
inline constexpr std::uint16_t kColorSpaceTag = 0xA001;
inline constexpr std::uint16_t kPixelXDimensionTag = 0xA002;
inline constexpr std::uint16_t kPixelYDimensionTag = 0xA003;
inline constexpr std::uint16_t kInteropIfdTag = 0xA005;
// The interoperability IFD: "R98" for sRGB, "R03" for Adobe RGB (DCF 2.0).
inline constexpr std::uint16_t kInteropIndexTag = 0x0001;

inline constexpr std::uint16_t kColorSpaceSrgb = 1;

}  // namespace lumivex
