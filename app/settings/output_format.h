// The format copies are written in: one of the table of formats' writers, or each source's own
// format where Lumivex writes it ("same"). The names come from the table; "same" is the one word
// of its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/format_table.h"

namespace lumivex {

struct OutputFormat {
  bool keepSource = false;                         // "same": each copy in its source's format
  corvale::Writer writer = corvale::Writer::Jpeg;  // otherwise this one
};

inline constexpr std::string_view kSameFormatName = "same";

// "jpeg", "png", ... as the table names them (any letter case), or "same"; nullopt otherwise.
std::optional<OutputFormat> ParseOutputFormat(std::string_view name);
std::string OutputFormatName(const OutputFormat& format);

// Every choice, the table's writers first and "same" last, as the options dialog lists them.
std::vector<std::string> OutputFormatNames();

// Every choice, "jpeg|png|...|same" with `separator` between them.
std::string OutputFormatChoices(std::string_view separator);

// The writer of the copies of a source of the table's row `source` (known by its content): the
// chosen one, or with "same" the one the table gives the source's format (GIF and BMP become PNG,
// HD Photo JPEG), JPEG for a source no row knows.
corvale::Writer WriterFor(const OutputFormat& format, const corvale::ImageFormat* source);

}  // namespace lumivex
