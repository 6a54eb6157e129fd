// The marker segments of a baseline JPEG file (T.81 Annex B). Every length and size is two bytes,
// high byte first; a value that does not fit raises the overflow error. Each writer appends to
// `out`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "encoder/huffman_table.h"
#include "encoder/quantization_tables.h"
#include "encoder/sampling.h"
#include "encoder/scan_plan.h"

namespace lumivex {

inline constexpr std::uint8_t kMarkerSoi = 0xD8;
inline constexpr std::uint8_t kMarkerEoi = 0xD9;
inline constexpr std::uint8_t kMarkerApp1 = 0xE1;
inline constexpr std::uint8_t kMarkerApp2 = 0xE2;
inline constexpr std::uint8_t kMarkerCom = 0xFE;
inline constexpr std::uint8_t kMarkerDqt = 0xDB;
inline constexpr std::uint8_t kMarkerSof0 = 0xC0;
inline constexpr std::uint8_t kMarkerDht = 0xC4;
inline constexpr std::uint8_t kMarkerSos = 0xDA;

inline constexpr int kDcClass = 0;
inline constexpr int kAcClass = 1;

// 0xFF and the marker code.
void WriteMarker(std::vector<std::uint8_t>& out, std::uint8_t code);

// APP1 with the payload as it is (everything after the length field).
void WriteApp1(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& payload);

// An ICC profile goes into APP2 segments of at most 65519 profile bytes each (the largest payload,
// 65533 bytes, less the 14 bytes of "ICC_PROFILE\0", sequence number and chunk count), numbered
// from 1; the count is one byte, so a profile of more than 255 chunks cannot be written.
inline constexpr std::size_t kIccChunkDataSize = 65519;
inline constexpr std::size_t kIccMaxChunks = 255;
inline constexpr std::size_t kIccMaxProfileSize = kIccChunkDataSize * kIccMaxChunks;

// The profile's APP2 chunks in sequence order; an empty profile writes nothing, one larger than
// kIccMaxProfileSize raises the overflow error.
void WriteIccProfile(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& profile);

// COM with one byte per character (Latin-1); a character above 255 raises the overflow error.
void WriteComment(std::vector<std::uint8_t>& out, const std::u32string& text);

// DQT holding one table of 8-bit entries in zig-zag order; an entry outside 1..255 raises
// "Illegal precission in Quantization Table".
void WriteDqt(std::vector<std::uint8_t>& out, const QuantTable& table, int index);

// Frame header: precision 8, the image size and per component its id, factors and table.
void WriteSof(std::vector<std::uint8_t>& out, std::uint8_t code, const ComponentSetup& setup,
              std::int32_t imageWidth, std::int32_t imageHeight);

// DHT holding one table of class 0 (DC) or 1 (AC).
void WriteDht(std::vector<std::uint8_t>& out, const HuffTable& table, int index, int tableClass);

// Scan header of a sequential scan: the components with their tables, spectral selection 0..63.
void WriteScanHeader(std::vector<std::uint8_t>& out, const ComponentSetup& setup, const ScanGroup& group,
                     const TableLists& lists);

}  // namespace lumivex
