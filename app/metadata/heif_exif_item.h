// The Exif block of a HEIF file (HEIC, AVIF): the metadata item of type "Exif" that belongs to
// the primary image. The item holds a 4-byte big-endian offset, then (after that many bytes) the
// TIFF structure a JPEG's APP1 segment holds behind its "Exif\0\0" identifier.
//
// The container is parsed by libheif, which the engine does not trust with its process either
// (its HEIF reader decodes in a forked child): the item is read in a forked child of its own,
// limited in time and memory, which hands the item's bytes back through a pipe. A child that
// crashes or stalls costs the photo its Exif block, never the batch. The child is separate from
// the engine's decode because the batch reads the Exif block before it loads the photo and
// reaches the engine only through its exported functions.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumivex {

// The primary image's Exif item as an APP1 payload ("Exif\0\0" and the TIFF structure); nothing
// when the file has none, libheif cannot parse it, or the item is malformed or too large.
std::optional<std::vector<std::uint8_t>> FindHeifExifItem(const std::string& path);

// The item's bytes as an APP1 payload: the offset skipped with bounds checks, the identifier put
// in front; nothing when the offset leaves no TIFF header or the block exceeds an APP1 segment.
std::optional<std::vector<std::uint8_t>> ExifBlockFromHeifItem(std::span<const std::uint8_t> item);

}  // namespace lumivex
