// The writers of the formats besides JPEG, one file each, found by the writer column of the table
// of formats. A writer returns the complete file or throws std::runtime_error with the reason.
#pragma once

#include <cstdint>
#include <vector>

#include "encoder/writers/output_picture.h"
#include "formats/format_table.h"

namespace lumivex {

using WriterFunction = std::vector<std::uint8_t> (*)(const OutputPicture&, const OutputMetadata&,
                                                     const WriterSettings&);

std::vector<std::uint8_t> WritePng(const OutputPicture&, const OutputMetadata&, const WriterSettings&);
std::vector<std::uint8_t> WriteWebp(const OutputPicture&, const OutputMetadata&, const WriterSettings&);
std::vector<std::uint8_t> WriteAvif(const OutputPicture&, const OutputMetadata&, const WriterSettings&);
std::vector<std::uint8_t> WriteJxl(const OutputPicture&, const OutputMetadata&, const WriterSettings&);
std::vector<std::uint8_t> WriteTiff(const OutputPicture&, const OutputMetadata&, const WriterSettings&);
std::vector<std::uint8_t> WriteHeic(const OutputPicture&, const OutputMetadata&, const WriterSettings&);

// The writer function of a format; nullptr for JPEG, which our own encoder writes.
WriterFunction WriterFunctionFor(corvale::Writer writer);

// True when the writer's files shrink with the quality, so that a size limit can be met.
bool WriterHasQuality(corvale::Writer writer);

// The file at the highest quality from min(10, settings.quality) up to settings.quality that
// takes at most maxFileBytes bytes; at the lowest, with `fits` false, when none does.
struct WriterFit {
  std::vector<std::uint8_t> file;
  std::int32_t quality = 0;
  bool fits = false;
};
WriterFit WriteWithin(WriterFunction write, const OutputPicture& picture, const OutputMetadata& metadata,
                      WriterSettings settings, std::int64_t maxFileBytes);

}  // namespace lumivex
