// Codes are read least significant bit first. After a clear code the table holds the 1 << m
// single-index strings, the clear code and the end code; each further code adds one string, and
// the code size grows by one bit when the table reaches 1 << code size entries, up to 12 bits.
//
// The table keeps each string as a link (the code of its prefix and its last index, with its
// first index and length beside), never as a copy, so it takes a fixed 24 KiB whatever the data.
// It stops growing at 4096 entries, as other GIF decoders do: codes are at most 12 bits wide, so a
// larger entry could never be referenced, and an encoder that goes on without a clear code
// ("deferred clear") is decoded exactly as with an uncapped table.
#include "readers/gif/gif_lzw.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace corvale {

namespace {

constexpr int kMaxCodeSize = 12;
constexpr std::uint32_t kMaxCodes = 1u << kMaxCodeSize;
// Codes may be at most 12 bits wide, and the first code after a clear code is one bit wider than
// the minimum size. Some encoders write a minimum size above 8 (a table of single-index strings
// beyond the 256 a byte can name); common decoders take such data and keep the low 8 bits of
// each index, as this one does.
constexpr std::uint8_t kMaxMinimumCodeSize = kMaxCodeSize - 1;

// The code stream inside the data sub-blocks (a length byte, then that many bytes). A zero length
// byte or the end of the file ends the data; from then on every read gives the end code.
class GifCodeReader {
 public:
  explicit GifCodeReader(ByteCursor& in) : in_(in) {}

  std::uint32_t read(int size, std::uint32_t endCode) {
    while (bitCount_ < size) {
      std::uint8_t byte;
      if (!nextByte(byte)) return endCode;
      bits_ |= std::uint32_t{byte} << bitCount_;
      bitCount_ += 8;
    }
    std::uint32_t code = bits_ & ((1u << size) - 1);
    bits_ >>= size;
    bitCount_ -= size;
    return code;
  }
  // The data ended (a zero length byte or the end of the file) before an end code.
  bool ranOut() const { return ended_; }

 private:
  bool nextByte(std::uint8_t& byte) {
    if (block_.empty() && !loadBlock()) return false;
    byte = block_.front();
    block_ = block_.subspan(1);
    return true;
  }

  // A sub-block cut short by the end of the file gives the bytes that are there.
  bool loadBlock() {
    std::uint8_t length;
    if (ended_ || !in_.u8(length) || length == 0) {
      ended_ = true;
      return false;
    }
    block_ = in_.take(std::min<std::size_t>(length, in_.remaining()));
    ended_ = block_.empty();
    return !ended_;
  }

  ByteCursor& in_;
  std::span<const std::uint8_t> block_;
  std::uint32_t bits_ = 0;
  int bitCount_ = 0;
  bool ended_ = false;
};

class LzwDecoder {
 public:
  LzwDecoder(std::uint8_t minimumCodeSize, ByteCursor& in, GifFrameWriter& out)
      : reader_(in),
        out_(out),
        minimumCodeSize_(minimumCodeSize),
        clearCode_(1u << minimumCodeSize),
        endCode_(clearCode_ + 1) {
    for (std::uint32_t i = 0; i < clearCode_; ++i) {
      suffix_[i] = first_[i] = static_cast<std::uint8_t>(i & 0xFF);
      length_[i] = 1;
    }
    restart();
  }

  void run();
  bool invalid() const { return invalid_; }
  bool ranOut() const { return reader_.ranOut(); }
  bool emittedAny() const { return emittedAny_; }

 private:
  void restart() {
    count_ = clearCode_ + 2;
    codeSize_ = minimumCodeSize_ + 1;
  }
  std::uint32_t readCode() { return reader_.read(codeSize_, endCode_); }
  bool add(std::uint32_t prefix, std::uint8_t last);
  void emit(std::uint32_t code);

  GifCodeReader reader_;
  GifFrameWriter& out_;
  int minimumCodeSize_;
  std::uint32_t clearCode_;
  std::uint32_t endCode_;
  std::uint32_t count_ = 0;
  int codeSize_ = 0;
  std::array<std::uint16_t, kMaxCodes> prefix_{};
  std::array<std::uint8_t, kMaxCodes> suffix_{};
  std::array<std::uint8_t, kMaxCodes> first_{};
  std::array<std::uint16_t, kMaxCodes> length_{};
  std::array<std::uint8_t, kMaxCodes> string_{};  // one string, spelled out for the writer
  bool invalid_ = false;                          // a code beyond the table was met
  bool emittedAny_ = false;
};

bool LzwDecoder::add(std::uint32_t prefix, std::uint8_t last) {
  if (count_ >= kMaxCodes) return false;
  std::uint32_t entry = count_++;
  prefix_[entry] = static_cast<std::uint16_t>(prefix);
  suffix_[entry] = last;
  first_[entry] = first_[prefix];
  length_[entry] = static_cast<std::uint16_t>(length_[prefix] + 1);
  if (count_ > (1u << codeSize_) - 1 && codeSize_ < kMaxCodeSize) ++codeSize_;
  return true;
}

// A string is spelled from its last index back to its first by following the prefix links.
void LzwDecoder::emit(std::uint32_t code) {
  std::uint16_t length = length_[code];
  emittedAny_ = true;
  if (out_.counting()) return out_.skip(length);
  std::uint8_t* p = string_.data() + length;
  for (std::uint16_t i = 0; i < length; ++i, code = prefix_[code]) *--p = suffix_[code];
  out_.put({string_.data(), length});
}

// The first code after a clear code, or the first of the data when the encoder sent no clear
// code, is a string of its own; a code beyond the table there counts as index 0. A later code
// beyond the next free entry is corrupt; it is read as the next free entry (the one case a valid
// stream may send before the entry exists) so that the decode goes on from a defined string.
void LzwDecoder::run() {
  std::uint32_t code = readCode();
  std::uint32_t previous = 0;
  bool havePrevious = false;
  while (!out_.full() && code != endCode_) {
    if (code == clearCode_) {
      restart();
      havePrevious = false;
    } else if (!havePrevious) {
      invalid_ = invalid_ || code >= count_;
      previous = code < count_ ? code : 0;
      havePrevious = true;
      emit(previous);
    } else if (code < count_) {
      emit(code);
      add(previous, first_[code]);
      previous = code;
    } else {
      invalid_ = invalid_ || code > count_;
      if (!add(previous, first_[previous])) break;
      previous = count_ - 1;
      emit(previous);
    }
    code = readCode();
  }
}

}  // namespace

LoadOutcome decodeGifLzw(ByteCursor& in, GifFrameWriter& out) {
  std::uint8_t minimumCodeSize;
  if (!in.u8(minimumCodeSize)) return {LoadCause::kTruncated, "is cut short before its image data"};
  if (minimumCodeSize > kMaxMinimumCodeSize)
    return {LoadCause::kDamaged,
            "has an LZW minimum code size of " + std::to_string(minimumCodeSize) + ", above 11"};
  LzwDecoder decoder(minimumCodeSize, in, out);
  decoder.run();
  // A code the table cannot hold leaves nothing to trust after it, as other decoders agree.
  if (decoder.invalid()) return {LoadCause::kDamaged, "has invalid codes in its image data"};
  if (out.full()) return {};
  if (!decoder.emittedAny()) return {LoadCause::kTruncated, "is cut short before its image data"};
  return {LoadCause::kWarnings, "is cut short in its image data"};
}

}  // namespace corvale
