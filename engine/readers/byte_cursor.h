// The one bounds-checked reader over untrusted bytes, shared by the engine's readers and the
// program's metadata parsers. It reads either in order from a position it keeps (every read
// either succeeds completely or fails and marks the cursor failed), or at absolute positions in
// the byte order it was given (a TIFF structure's "II" or "MM"), answering false for a read that
// would leave the bytes. Nothing ever reads outside the span it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvale {

enum class ByteOrder { Little, Big };

class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> bytes, ByteOrder order = ByteOrder::Little)
      : bytes_(bytes), order_(order) {}

  std::size_t size() const { return bytes_.size(); }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  bool atEnd() const { return pos_ >= bytes_.size(); }
  bool failed() const { return failed_; }
  bool bigEndian() const { return order_ == ByteOrder::Big; }

  // True when `count` bytes starting at `position` lie inside the bytes (no overflow possible).
  bool fits(std::uint64_t position, std::uint64_t count) const {
    return position <= bytes_.size() && count <= bytes_.size() - position;
  }

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
  bool u16le(std::uint16_t& out) { return sequential(2, ByteOrder::Little, out); }
  bool u32le(std::uint32_t& out) { return sequential(4, ByteOrder::Little, out); }
  bool u16be(std::uint16_t& out) { return sequential(2, ByteOrder::Big, out); }
  bool u32be(std::uint32_t& out) { return sequential(4, ByteOrder::Big, out); }
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

  // Reads at an absolute position in the cursor's byte order; the position it keeps is not used.
  bool word(std::uint64_t position, std::uint16_t& out) const {
    std::uint32_t value = 0;
    if (!numberAt(position, 2, order_, value)) return false;
    out = static_cast<std::uint16_t>(value);
    return true;
  }
  bool dword(std::uint64_t position, std::uint32_t& out) const { return numberAt(position, 4, order_, out); }

 private:
  bool numberAt(std::uint64_t position, int bytes, ByteOrder order, std::uint32_t& out) const {
    if (!fits(position, static_cast<std::uint64_t>(bytes))) return false;
    const std::uint8_t* p = bytes_.data() + position;
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
      int from = order == ByteOrder::Big ? i : bytes - 1 - i;
      value = value << 8 | p[from];
    }
    out = value;
    return true;
  }
  template <typename Number>
  bool sequential(int bytes, ByteOrder order, Number& out) {
    std::uint32_t value = 0;
    if (!numberAt(pos_, bytes, order, value)) return fail();
    out = static_cast<Number>(value);
    pos_ += static_cast<std::size_t>(bytes);
    return true;
  }
  bool fail() {
    failed_ = true;
    return false;
  }
  std::span<const std::uint8_t> bytes_;
  ByteOrder order_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace corvale
