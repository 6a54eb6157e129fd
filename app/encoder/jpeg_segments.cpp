// Marker segment writers.
#include "encoder/jpeg_segments.h"

#include <algorithm>
#include <iterator>

#include "encoder/encoder_error.h"

namespace lumivex {

namespace {

void put8(std::vector<std::uint8_t>& out, std::int64_t value) {
  if (value < 0 || value > 0xFF) raiseOverflow();
  out.push_back(static_cast<std::uint8_t>(value));
}

void put16(std::vector<std::uint8_t>& out, std::int64_t value) {
  if (value < 0 || value > 0xFFFF) raiseOverflow();
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

// A segment whose length is only known once its body is written: the two length bytes are
// reserved now and filled by finish().
class LengthField {
 public:
  explicit LengthField(std::vector<std::uint8_t>& out) : out_(out), at_(out.size()) { out.resize(at_ + 2); }
  void finish() {
    std::size_t length = out_.size() - at_;
    if (length > 0xFFFF) raiseOverflow();
    out_[at_] = static_cast<std::uint8_t>(length >> 8);
    out_[at_ + 1] = static_cast<std::uint8_t>(length & 0xFF);
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::size_t at_;
};

}  // namespace

void WriteMarker(std::vector<std::uint8_t>& out, std::uint8_t code) {
  out.push_back(0xFF);
  out.push_back(code);
}

void WriteApp1(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& payload) {
  if (payload.size() > 0xFFFF - 2) raiseOverflow();
  WriteMarker(out, kMarkerApp1);
  put16(out, static_cast<std::int64_t>(payload.size()) + 2);
  out.insert(out.end(), payload.begin(), payload.end());
}

void WriteIccProfile(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& profile) {
  static constexpr std::uint8_t kIdentifier[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
  if (profile.size() > kIccMaxProfileSize) raiseOverflow();
  std::size_t chunks = (profile.size() + kIccChunkDataSize - 1) / kIccChunkDataSize;
  for (std::size_t i = 0; i < chunks; ++i) {
    std::size_t begin = i * kIccChunkDataSize;
    std::size_t size = std::min(kIccChunkDataSize, profile.size() - begin);
    WriteMarker(out, kMarkerApp2);
    put16(out, static_cast<std::int64_t>(2 + sizeof kIdentifier + 2 + size));
    out.insert(out.end(), std::begin(kIdentifier), std::end(kIdentifier));
    put8(out, static_cast<std::int64_t>(i + 1));
    put8(out, static_cast<std::int64_t>(chunks));
    auto data = profile.begin() + static_cast<std::ptrdiff_t>(begin);
    out.insert(out.end(), data, data + static_cast<std::ptrdiff_t>(size));
  }
}

void WriteComment(std::vector<std::uint8_t>& out, const std::u32string& text) {
  if (text.size() > 0xFFFF - 2) raiseOverflow();
  WriteMarker(out, kMarkerCom);
  put16(out, static_cast<std::int64_t>(text.size()) + 2);
  for (char32_t c : text) put8(out, static_cast<std::int64_t>(c));
}

void WriteDqt(std::vector<std::uint8_t>& out, const QuantTable& table, int index) {
  WriteMarker(out, kMarkerDqt);
  LengthField length(out);
  for (std::int16_t e : table.Entries)
    if (e < 1 || e > 255) raiseEncoderError(kIllegalQuantizationPrecision);
  put8(out, index);  // precision 0 (8-bit entries) in the high nibble
  for (std::int16_t e : table.Entries) put8(out, e);
  length.finish();
}

void WriteSof(std::vector<std::uint8_t>& out, std::uint8_t code, const ComponentSetup& setup,
              std::int32_t imageWidth, std::int32_t imageHeight) {
  WriteMarker(out, code);
  put16(out, 8 + 3 * std::int64_t{setup.ComponentCount});
  put8(out, 8);
  put16(out, imageHeight);
  put16(out, imageWidth);
  put8(out, setup.ComponentCount);
  for (const ComponentRecord& c : setup.Components) {
    put8(out, c.Id);
    put8(out, c.H * 16 + c.V);
    put8(out, c.Tq);
  }
}

void WriteDht(std::vector<std::uint8_t>& out, const HuffTable& table, int index, int tableClass) {
  WriteMarker(out, kMarkerDht);
  LengthField length(out);
  put8(out, tableClass * 16 + index);
  std::size_t symbols = 0;
  for (std::uint8_t n : table.Bits) {
    out.push_back(n);
    symbols += n;
  }
  if (symbols > table.HuffVal.size()) raiseEncoderError(kBadHuffmanTable);
  out.insert(out.end(), table.HuffVal.begin(), table.HuffVal.begin() + static_cast<std::ptrdiff_t>(symbols));
  length.finish();
}

void WriteScanHeader(std::vector<std::uint8_t>& out, const ComponentSetup& setup, const ScanGroup& group,
                     const TableLists& lists) {
  WriteMarker(out, kMarkerSos);
  put16(out, 6 + 2 * static_cast<std::int64_t>(group.size()));
  put8(out, static_cast<std::int64_t>(group.size()));
  for (int component : group) {
    auto i = static_cast<std::size_t>(component);
    put8(out, setup.Components[i].Id);
    put8(out, lists.dc[i] * 16 + lists.ac[i]);
  }
  put8(out, 0);   // start of spectral selection
  put8(out, 63);  // end of spectral selection
  put8(out, 0);   // successive approximation
}

}  // namespace lumivex
