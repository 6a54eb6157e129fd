// Names as a terminal line may show them. A file name may hold any byte but "/" and NUL: a line
// feed would forge a second line, and an escape sequence would drive the terminal itself.
#pragma once

#include <string>

namespace lumivex {

// `text` with every control character (below 0x20, DEL, and the C1 controls U+0080..U+009F)
// written as \xNN, and a backslash doubled so that the escapes stay unambiguous.
std::string EscapedForTerminal(const std::string& text);

}  // namespace lumivex
