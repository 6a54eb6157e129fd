// Finds the Exif block inside the containers that keep it in a chunk of its own: PNG (the eXIf
// chunk) and WebP (the RIFF "EXIF" chunk). Either chunk holds the TIFF structure that a JPEG's
// APP1 segment holds after its "Exif\0\0" identifier; the block found is given the identifier, so
// the rest of the batch sees it exactly as a JPEG's.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace lumivex {

// Tiff and Heif keep their Exif elsewhere than in a chunk: in the file's own IFDs
// (tiff_exif_block.h) and in a metadata item (heif_exif_item.h).
enum class ExifContainer { Png, Webp, Tiff, Heif, Other };

// Which container the file's first twelve bytes name.
ExifContainer ExifContainerOf(const std::uint8_t (&head)[12]);

// Walks the chunks of a PNG or WebP file from its start. The block with its identifier when found
// and small enough for an APP1 segment; nothing when the file has none, is malformed or ends early.
std::optional<std::vector<std::uint8_t>> FindExifChunk(std::FILE* file, ExifContainer container);

}  // namespace lumivex
