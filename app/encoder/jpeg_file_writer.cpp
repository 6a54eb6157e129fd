// Assembly of the file: every segment in order into one growing buffer.
#include "encoder/jpeg_file_writer.h"

#include "encoder/entropy_coder.h"
#include "encoder/jpeg_segments.h"
#include "encoder/table_optimizer.h"

namespace lumivex {

namespace {

std::size_t sizeOf(const std::vector<std::uint8_t>* block) { return block ? block->size() : 0; }

// A first guess at the file size, so that the buffer seldom grows while coding: the estimated
// coded size with room for stuffing, plus the headers (18 bytes of marker, length and identifier
// for each ICC chunk).
std::size_t expectedSize(std::int64_t codedEstimate, const JpegContent& content) {
  return static_cast<std::size_t>(codedEstimate + codedEstimate / 4 + 1000) + content.comment.size() +
         content.exif->size() + sizeOf(content.xmp) + sizeOf(content.icc) +
         (sizeOf(content.icc) / kIccChunkDataSize + 1) * 18;
}

void writeQuantTables(std::vector<std::uint8_t>& out, const JpegContent& content) {
  std::array<bool, 4> used{};
  for (const ComponentRecord& c : content.setup->Components) used[static_cast<std::size_t>(c.Tq)] = true;
  for (std::size_t t = 0; t < used.size(); ++t)
    if (used[t]) WriteDqt(out, (*content.quantTables)[t], static_cast<int>(t));
}

void writeHuffTables(std::vector<std::uint8_t>& out, const TableLists& lists, const HuffTables& tables) {
  for (int k = 0; k < 4; ++k) {
    bool dcUsed = false, acUsed = false;
    for (std::size_t i = 0; i < lists.dc.size(); ++i) dcUsed = dcUsed || lists.dc[i] == k;
    for (std::size_t i = 0; i < lists.ac.size(); ++i) acUsed = acUsed || lists.ac[i] == k;
    if (dcUsed) WriteDht(out, tables.dc[static_cast<std::size_t>(k)], k, kDcClass);
    if (acUsed) WriteDht(out, tables.ac[static_cast<std::size_t>(k)], k, kAcClass);
  }
}

// Everything before the first scan.
void writeHeaders(std::vector<std::uint8_t>& out, const JpegContent& content, const TableLists& lists,
                  const HuffTables& tables) {
  WriteMarker(out, kMarkerSoi);
  if (content.exif->size() >= 2) WriteApp1(out, *content.exif);
  if (sizeOf(content.xmp) > 0) WriteApp1(out, *content.xmp);
  if (sizeOf(content.xmp) > 0 && content.xmpExtension)
    for (const std::vector<std::uint8_t>& part : *content.xmpExtension) WriteApp1(out, part);
  if (sizeOf(content.icc) > 0) WriteIccProfile(out, *content.icc);
  if (!content.comment.empty()) WriteComment(out, content.comment);
  writeQuantTables(out, content);
  WriteSof(out, kMarkerSof0, *content.setup, content.imageWidth, content.imageHeight);
  writeHuffTables(out, lists, tables);
}

// A scan header: marker, length, component count, two bytes per component, three for the
// spectral selection and approximation (T.81 B.2.3).
std::int64_t scanHeaderBytes(const ScanGroup& group) {
  return 8 + 2 * static_cast<std::int64_t>(group.size());
}

}  // namespace

std::vector<std::uint8_t> AssembleJpeg(const JpegContent& content) {
  const ScanSource source{content.setup, content.imageWidth, content.imageHeight};
  const TableLists lists = defaultTableLists(content.setup->ComponentCount);
  HuffTables tables;
  std::int64_t estimate = OptimizeTables(source, lists, tables);

  std::vector<std::uint8_t> out;
  out.reserve(expectedSize(estimate, content));
  writeHeaders(out, content, lists, tables);
  WriteScans(out, source, lists, tables);
  WriteMarker(out, kMarkerEoi);
  return out;
}

std::int64_t JpegSizeWithoutStuffing(const JpegContent& content) {
  const ScanSource source{content.setup, content.imageWidth, content.imageHeight};
  const TableLists lists = defaultTableLists(content.setup->ComponentCount);
  HuffTables tables;
  std::int64_t size = OptimizeTables(source, lists, tables);
  std::vector<std::uint8_t> headers;
  writeHeaders(headers, content, lists, tables);
  size += static_cast<std::int64_t>(headers.size()) + 2;  // and the end marker
  for (const ScanGroup& group : PlanScans(content.setup->Components)) size += scanHeaderBytes(group);
  return size;
}

}  // namespace lumivex
