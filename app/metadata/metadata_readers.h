// The per-container readers behind ReadPhotoMetadata (photo_metadata.h). Each reads from the file
// the caller opened, positioned anywhere, and fills what it finds; a read error is left in the
// stream's error flag for the caller to report. Every length and offset taken from the file is
// checked before it is used.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <vector>

#include "metadata/photo_metadata.h"

namespace lumivex {

void ReadJpegMetadata(std::FILE* file, PhotoMetadata& out);
void ReadPngMetadata(std::FILE* file, PhotoMetadata& out);
void ReadWebpMetadata(std::FILE* file, PhotoMetadata& out);
void ReadTiffMetadata(std::FILE* file, PhotoMetadata& out);
void ReadHeifMetadata(std::FILE* file, PhotoMetadata& out);
void ReadBmpMetadata(std::FILE* file, PhotoMetadata& out);
void ReadJxlMetadata(std::FILE* file, PhotoMetadata& out);

// The file's bytes from `offset`, `size` of them, or nothing when it ends sooner.
std::optional<std::vector<std::uint8_t>> ReadFileRange(std::FILE* file, std::uint64_t offset,
                                                       std::uint64_t size);

// A TIFF structure without the identifier (a PNG eXIf or WebP EXIF chunk, whose writers sometimes
// put the identifier there anyway) as an APP1 payload; nothing when it holds no TIFF header or
// would not fit in an APP1 segment.
std::optional<std::vector<std::uint8_t>> ExifBlockFromChunk(std::span<const std::uint8_t> data);

}  // namespace lumivex
