// Quality scaling of the T.81 Annex K tables and the quantizer's divisors.
#include "encoder/quantization_tables.h"

#include <cmath>

#include "encoder/encoder_error.h"

namespace lumivex {

std::int32_t qualityScaleFactor(std::int32_t quality) {
  if (quality < 50) return static_cast<std::int32_t>(std::nearbyint(5000.0 / quality));
  return 200 - 2 * quality;
}

// The +50 is followed by a rounding rather than a truncating division, so a result of n + 0.5
// goes to the even neighbour (base 16 at quality 75 gives 8, not 9).
void ScaleQuantTable(const std::array<std::int16_t, 64>& base, std::int32_t scaleFactor, QuantTable& table) {
  for (int k = 0; k < 64; ++k) {
    double v = std::nearbyint((static_cast<double>(base[k]) * scaleFactor + 50.0) / 100.0);
    if (v < 1) v = 1;
    if (v > 255) v = 255;
    table.Entries[k] = static_cast<std::int16_t>(v);
  }
  BuildDivisors(table);
}

std::array<QuantTable, 4> TablesForQuality(std::int32_t quality) {
  std::array<QuantTable, 4> tables{};
  std::int32_t scale = qualityScaleFactor(quality);
  ScaleQuantTable(kLuminanceBase, scale, tables[0]);
  ScaleQuantTable(kChrominanceBase, scale, tables[1]);
  return tables;
}

void BuildDivisors(QuantTable& table) {
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j) {
      int z = kZigZag[i * 8 + j];
      std::int16_t e = table.Entries[z];
      if (e < 1 || e > 255) raiseEncoderError(kBadQuantizationTable);
      table.Divisors[z] = static_cast<float>(kAanScale[i] * kAanScale[j] / e);
      table.NaturalDivisors[i * 8 + j] = table.Divisors[z];
    }
  }
}

}  // namespace lumivex
