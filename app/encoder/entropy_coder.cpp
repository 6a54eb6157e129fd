// The entropy coder: block coding and the two kinds of scan.
#include "encoder/entropy_coder.h"

#include <bit>

#include "encoder/coefficient_mask.h"
#include "encoder/encoder_error.h"
#include "encoder/jpeg_segments.h"

namespace lumivex {

namespace {

constexpr int kEndOfBlock = 0x00;
constexpr int kZeroRun16 = 0xF0;

// The code of `symbol` followed by `size` extra bits of `extra`, in one write. The statistics
// and the coder walk the same blocks, so a symbol without a code means the tables do not belong
// to these coefficients: refused rather than silently dropped from the stream.
inline void putSymbol(BitWriter& writer, const HuffTable& table, int symbol, std::int32_t extra, int size) {
  if (table.CodeMask[symbol] == 0) [[unlikely]]
    raiseEncoderError(kBadHuffmanTable);
  int length = codeLength(table, symbol);
  std::uint32_t code = static_cast<std::uint32_t>(table.Code[symbol]);
  std::uint32_t bits = size == 0 ? 0 : static_cast<std::uint32_t>(extra) & ((1u << size) - 1);
  putBits(writer, (code << size) | bits, length + size);
}

// The extra bits of a value: its low bits, or those of value - 1 when negative (T.81 F.1.2.1.1).
inline std::int32_t extraBits(std::int32_t value) { return value < 0 ? value - 1 : value; }

}  // namespace

void EncodeBlock(BitWriter& writer, const std::int16_t* block, std::int32_t& prediction, const HuffTable& dc,
                 const HuffTable& ac) {
  std::int32_t difference = block[0] - prediction;
  prediction = block[0];
  putSymbol(writer, dc, magnitudeCategory(difference), extraBits(difference), magnitudeCategory(difference));

  // Step from one non-zero AC coefficient to the next; the zeros between make the run.
  std::uint64_t nonZero = nonZeroMask(block) & ~std::uint64_t{1};
  int previous = 0;
  while (nonZero != 0) {
    int k = std::countr_zero(nonZero);
    nonZero &= nonZero - 1;
    int run = k - previous - 1;
    for (; run > 15; run -= 16) putSymbol(writer, ac, kZeroRun16, 0, 0);
    std::int32_t value = block[k];
    int size = magnitudeCategory(value);
    putSymbol(writer, ac, run * 16 + size, extraBits(value), size);
    previous = k;
  }
  if (previous < 63) putSymbol(writer, ac, kEndOfBlock, 0, 0);  // the block ends in zeros
}

void WriteSingleScan(std::vector<std::uint8_t>& out, const ScanSource& source, int component,
                     const TableLists& lists, const HuffTables& tables) {
  WriteScanHeader(out, *source.setup, {component}, lists);
  BlockGrid grid = blockGridOf(source, component);
  const HuffTable& dc = tables.dc[static_cast<std::size_t>(lists.dc[static_cast<std::size_t>(component)])];
  const HuffTable& ac = tables.ac[static_cast<std::size_t>(lists.ac[static_cast<std::size_t>(component)])];
  BitWriter writer(out);
  ResetBitWriter(writer);
  std::int32_t prediction = 0;
  for (std::int64_t i = 0; i < grid.blockCount(); ++i) EncodeBlock(writer, grid.block(i), prediction, dc, ac);
  FlushBits(writer);
}

void WriteInterleavedScan(std::vector<std::uint8_t>& out, const ScanSource& source, const ScanGroup& group,
                          const TableLists& lists, const HuffTables& tables) {
  WriteScanHeader(out, *source.setup, group, lists);
  std::vector<BlockGrid> grids;
  std::vector<const HuffTable*> dc, ac;
  for (int component : group) {
    grids.push_back(blockGridOf(source, component));
    dc.push_back(&tables.dc[static_cast<std::size_t>(lists.dc[static_cast<std::size_t>(component)])]);
    ac.push_back(&tables.ac[static_cast<std::size_t>(lists.ac[static_cast<std::size_t>(component)])]);
  }
  std::vector<std::int32_t> predictions(group.size(), 0);
  BitWriter writer(out);
  ResetBitWriter(writer);
  // A dummy block repeats the prediction as its DC value: difference 0, then an end-of-block.
  std::int16_t dummy[64] = {};
  forEachMcuBlock(mcuGrid(source), grids, [&](std::size_t g, const std::int16_t* block) {
    if (!block) {
      dummy[0] = static_cast<std::int16_t>(predictions[g]);
      block = dummy;
    }
    EncodeBlock(writer, block, predictions[g], *dc[g], *ac[g]);
  });
  FlushBits(writer);
}

void WriteScans(std::vector<std::uint8_t>& out, const ScanSource& source, const TableLists& lists,
                const HuffTables& tables) {
  for (const ScanGroup& group : PlanScans(source.setup->Components)) {
    if (group.size() == 1)
      WriteSingleScan(out, source, group[0], lists, tables);
    else
      WriteInterleavedScan(out, source, group, lists, tables);
  }
}

}  // namespace lumivex
