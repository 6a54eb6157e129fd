// UTF-8 decoding of the comment (RFC 3629 well-formed sequences only).
#include "encoder/comment_text.h"

#include <cstdint>

namespace lumivex {

namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes the sequence at `at`; returns its length, or 0 when it is not well-formed.
std::size_t decodeSequence(const std::string& text, std::size_t at, char32_t& out) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length;
  char32_t value, minimum;
  if (lead < 0x80) {
    out = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto byte = static_cast<unsigned char>(text[at + k]);
    if (!isContinuation(byte)) return 0;
    value = (value << 6) | (byte & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  out = value;
  return length;
}

}  // namespace

std::u32string commentCharacters(const std::string& text) {
  std::u32string characters;
  characters.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    char32_t c;
    std::size_t length = decodeSequence(text, at, c);
    if (length == 0) {
      c = static_cast<unsigned char>(text[at]);
      length = 1;
    }
    characters.push_back(c);
    at += length;
  }
  return characters;
}

}  // namespace lumivex
