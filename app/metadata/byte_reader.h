// Bounds-checked reads of 16- and 32-bit numbers at absolute positions of an untrusted byte
// block, in either byte order. A read that would leave the block fails instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace lumivex {

class ByteReader {
 public:
  ByteReader(std::span<const std::uint8_t> bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}

  std::size_t size() const { return bytes_.size(); }

  // True when `count` bytes starting at `position` lie inside the block (no overflow possible).
  bool fits(std::uint64_t position, std::uint64_t count) const {
    return position <= bytes_.size() && count <= bytes_.size() - position;
  }

  bool word(std::uint64_t position, std::uint16_t& out) const {
    if (!fits(position, 2)) return false;
    const std::uint8_t* p = bytes_.data() + position;
    out = bigEndian_ ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                     : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    return true;
  }

  bool dword(std::uint64_t position, std::uint32_t& out) const {
    if (!fits(position, 4)) return false;
    const std::uint8_t* p = bytes_.data() + position;
    if (bigEndian_)
      out = std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
    else
      out = std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  bool bigEndian_;
};

}  // namespace lumivex
