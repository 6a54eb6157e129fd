// Escaping the control characters of names printed on the terminal.
#include "utilities/terminal_text.h"

namespace lumivex {

namespace {

void appendEscape(std::string& out, unsigned char byte) {
  constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

}  // namespace

std::string EscapedForTerminal(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (byte < 0x20 || byte == 0x7F) {
      appendEscape(out, byte);
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // a C1 control in UTF-8
      appendEscape(out, next);
      ++i;
    } else if (byte == '\\') {
      out += "\\\\";
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

}  // namespace lumivex
