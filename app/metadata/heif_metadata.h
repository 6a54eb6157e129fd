// The metadata of a HEIF file (HEIC, AVIF), as libheif finds it for the primary image: its Exif
// item, its XMP item (a "mime" item of type application/rdf+xml) and the ICC profile of its colr
// box (prof or rICC).
//
// libheif is not trusted with the batch's process (the engine's HEIF reader decodes in a forked
// child too): the file's bytes, read through the batch's one open, are parsed in a forked child,
// limited in time and memory, which hands the three blocks back through a pipe. A child that crashes or
// stalls costs the photo its metadata, never the batch.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumivex {

// An Exif item's bytes as an APP1 payload: the item's leading 4-byte big-endian offset skipped
// with bounds checks, the identifier put in front; nothing when the offset leaves no TIFF header
// or the block exceeds an APP1 segment.
std::optional<std::vector<std::uint8_t>> ExifBlockFromHeifItem(std::span<const std::uint8_t> item);

}  // namespace lumivex
