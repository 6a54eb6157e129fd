// The table of image formats: the one place where a format is named. Each row gives a format's
// file name extensions, its MIME types, how its content is recognised, the engine's reader and
// the container its metadata (Exif, XMP, colour profile) travels in. The engine chooses its reader
// here, and the program asks the same table for the folder walk's filter, the window's drops,
// output names, its help text and the packaging's MIME types: adding a format is one reader file
// and one row.
//
// The table is compiled into the engine and into the program; the program's copy has no readers
// (it binds the engine by name at run time), so its reader column is empty.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "picture/planned_load.h"
#include "readers/readers.h"

namespace corvale {

// Where a format keeps its Exif block, XMP packet and colour profile (a BMP file only a profile).
enum class MetadataContainer { None, Jpeg, Png, Webp, Tiff, Heif, Jxl, Bmp };

// The program's writers. Each has one row whose outputName is set: that row's first extension
// names its files and its outputName is the value people choose it by.
enum class Writer { Jpeg, Png, Webp, Avif, Jxl, Tiff, Heic };

// Whether a format's writer keeps a picture's transparency; JPEG's copies are flattened on white.
enum class AlphaKept { Flattened, Held };

using ContentTest = bool (*)(Bytes head);
using BytesReader = LoadOutcome (*)(Bytes bytes, gdi::HDC referenceDc, Picture& picture);
// A reader that decodes straight to the planned size (picture/planned_load.h), row by row.
using PlannedReader = LoadOutcome (*)(Bytes bytes, const LoadPlanner& planner, Picture& result);

struct ImageFormat {
  const char* name;             // as people call it: "JPEG", "HD Photo"
  const char* extensions[4];    // lower case with the dot, the usual one first; nullptr ends
  const char* mimeTypes[3];     // the usual one first; nullptr ends
  ContentTest hasSignature;     // true when the file's first bytes are this format's
  MetadataContainer container;  // where its metadata lies
  BytesReader read;             // the engine's reader; nullptr in the program's copy
  PlannedReader readPlanned;    // its reader straight to a planned size, if it streams rows
  const char* outputName;       // lower case, as --format takes it, when written; nullptr when not
  Writer keptAs;                // the writer of this format's copies when the source's format is kept
  AlphaKept writerAlpha = AlphaKept::Flattened;  // of the writer whose row this is (outputName set)
};

// The leading bytes any signature test needs: a HEIF file names its brands within them.
constexpr std::size_t kSignatureBytes = 64;

// Every row, in the order the help text and the packaging list them.
std::span<const ImageFormat> imageFormats();

// The row whose extension ends `fileName` (any letter case), or nullptr.
const ImageFormat* formatOfName(std::string_view fileName);

// The row whose signature the content starts with (only the first kSignatureBytes are looked at),
// or nullptr when no row recognises it.
const ImageFormat* formatOfContent(Bytes head);

// The extension of `fileName` that names a row, as it is written in the name (its letter case
// kept), or empty when none does.
std::string_view knownExtensionOf(std::string_view fileName);

// The row a writer writes (the one with its outputName), and the row --format names (any letter
// case), or nullptr.
const ImageFormat& formatWrittenBy(Writer writer);
const ImageFormat* formatOfOutputName(std::string_view outputName);

// True when the writer's files hold transparency (its row's writerAlpha).
bool writerHoldsAlpha(Writer writer);

// The extension a writer's files get: its row's first one, with the dot.
std::string_view writtenExtension(Writer writer);

// Every outputName, joined by `separator`: "jpeg|png|webp|...".
std::string outputNameList(std::string_view separator);

// Every extension, each with its dot, joined by `separator`: ".jpg, .jpeg, .png, ...".
std::string extensionList(std::string_view separator);

// Every MIME type, each followed by ";", as desktop entries list them.
std::string mimeTypeList();

}  // namespace corvale
