// The encoder's failures. Every failure carries a number and a text: number 1 with one of the
// encoder's own messages for bad settings or tables, number 6 when a value does not fit the field
// that must hold it (a size, a length, a coefficient, a comment character), number 9 when data the
// save needs is missing. File-system failures are not wrapped: SaveFile passes them on as
// std::system_error with the operating system's error code.
#pragma once

#include <stdexcept>
#include <string>

namespace lumivex {

class EncoderError : public std::runtime_error {
 public:
  EncoderError(int number, const std::string& text) : std::runtime_error(text), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

inline constexpr int kEncoderErrorNumber = 1;
inline constexpr int kOverflowErrorNumber = 6;
inline constexpr int kSubscriptErrorNumber = 9;

inline constexpr const char* kBadQuantizationTable = "Bad Quantization Table";
inline constexpr const char* kInvalidSamplingValue = "Invalid Sampling Value";
inline constexpr const char* kBadHuffmanTable = "Bad Huffman Table";
inline constexpr const char* kIllegalCommentLength = "Illegal Comment Length";
inline constexpr const char* kIllegalQuantizationPrecision = "Illegal precission in Quantization Table";

[[noreturn]] inline void raiseEncoderError(const char* text) {
  throw EncoderError(kEncoderErrorNumber, text);
}
[[noreturn]] inline void raiseOverflow() { throw EncoderError(kOverflowErrorNumber, "Overflow"); }
[[noreturn]] inline void raiseSubscriptOutOfRange() {
  throw EncoderError(kSubscriptErrorNumber, "Subscript out of range");
}

}  // namespace lumivex
