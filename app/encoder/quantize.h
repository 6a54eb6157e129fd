// The quantizer: DCT output times the table's divisors, rounded to even, stored in zig-zag order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "encoder/forward_dct.h"
#include "encoder/quantization_tables.h"

namespace lumivex {

// Writes the 64 quantized values of `block` at `position` of `coefficients` (zig-zag order) and
// adds 64 to `position`. A value outside the 16-bit range raises the overflow error; a block that
// does not fit the array raises the subscript error.
void QuantizeBlock(const DctBlock& block, const QuantTable& table, std::vector<std::int16_t>& coefficients,
                   std::size_t& position);

}  // namespace lumivex
