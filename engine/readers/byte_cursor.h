// A bounds-checked reader over untrusted bytes. Every read either succeeds completely or fails
// and marks the cursor failed; nothing ever reads outside the span it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvale {

class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  bool atEnd() const { return pos_ >= bytes_.size(); }
  bool failed() const { return failed_; }

  // Moves to an absolute offset; fails beyond the end.
  bool seek(std::size_t offset) {
    if (offset > bytes_.size()) return fail();
    pos_ = offset;
    return true;
  }
  bool skip(std::size_t count) {
    if (count > remaining()) return fail();
    pos_ += count;
    return true;
  }
  bool u8(std::uint8_t& out) {
    if (remaining() < 1) return fail();
    out = bytes_[pos_++];
    return true;
  }
  bool u16le(std::uint16_t& out) {
    if (remaining() < 2) return fail();
    out = static_cast<std::uint16_t>(bytes_[pos_] | bytes_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool u32le(std::uint32_t& out) {
    if (remaining() < 4) return fail();
    out = static_cast<std::uint32_t>(bytes_[pos_]) | static_cast<std::uint32_t>(bytes_[pos_ + 1]) << 8 |
          static_cast<std::uint32_t>(bytes_[pos_ + 2]) << 16 |
          static_cast<std::uint32_t>(bytes_[pos_ + 3]) << 24;
    pos_ += 4;
    return true;
  }
  bool i32le(std::int32_t& out) {
    std::uint32_t v;
    if (!u32le(v)) return false;
    out = static_cast<std::int32_t>(v);
    return true;
  }
  // A view of the next `count` bytes, consumed; empty and failed when fewer remain.
  std::span<const std::uint8_t> take(std::size_t count) {
    if (count > remaining()) {
      fail();
      return {};
    }
    auto view = bytes_.subspan(pos_, count);
    pos_ += count;
    return view;
  }

 private:
  bool fail() {
    failed_ = true;
    return false;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace corvale
