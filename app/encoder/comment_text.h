// The comment's characters. The program keeps text as UTF-8; the COM segment holds one byte per
// character, so the text is read as code points first and each is written as its Latin-1 byte.
#pragma once

#include <string>

namespace lumivex {

// The code points of a UTF-8 text. A byte that does not begin a well-formed sequence (a stray
// continuation byte, an overlong form, a surrogate, a truncated sequence) stands for the Latin-1
// character of the same value, so that every byte string has a reading and Latin-1 text passes
// through unchanged.
std::u32string commentCharacters(const std::string& text);

}  // namespace lumivex
