// The whole JPEG file in memory: headers, tables made for this image, the scans and the end marker.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "encoder/quantization_tables.h"
#include "encoder/sampling.h"

namespace lumivex {

struct JpegContent {
  const ComponentSetup* setup = nullptr;  // sampled components
  std::int32_t imageWidth = 0;
  std::int32_t imageHeight = 0;
  const std::array<QuantTable, 4>* quantTables = nullptr;  // the tables the components were quantized with
  std::u32string comment;                                  // no COM segment when empty
  const std::vector<std::uint8_t>* exif = nullptr;         // APP1 payload; none below 2 bytes
  const std::vector<std::uint8_t>* xmp = nullptr;          // APP1 payload; none when null or empty
  // APP1 payloads of the extended XMP packet, written after the main packet; none when null.
  const std::vector<std::vector<std::uint8_t>>* xmpExtension = nullptr;
  const std::vector<std::uint8_t>* icc = nullptr;  // ICC profile; none when null or empty
};

// SOI, APP1 Exif, APP1 XMP and its extension segments, the APP2 ICC profile chunks, COM, DQT, SOF0, DHT, the
// scans and EOI, in this order; no JFIF header and no restart intervals. Raises the subscript error when the
// components hold no coefficients.
std::vector<std::uint8_t> AssembleJpeg(const JpegContent& content);

// The size of the file AssembleJpeg would make, short of the 0x00 bytes stuffed after every 0xFF
// byte of the coded data and of the bits that complete the last byte of each scan but one: never
// more than the real size, and within a fraction of a percent of it for a photo. It costs the
// statistics pass alone, without the coding.
std::int64_t JpegSizeWithoutStuffing(const JpegContent& content);

}  // namespace lumivex
