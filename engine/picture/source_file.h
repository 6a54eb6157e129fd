// A source file read once, with the format of the table that reads it: what every load starts
// from, the whole-picture load and the planned load alike.
#pragma once

#include "formats/format_table.h"
#include "readers/file_bytes.h"

namespace corvale {

struct SourceFile {
  FileBytes file;
  const ImageFormat* format = nullptr;  // by content, else by the name's extension
  LoadOutcome failure;                  // why it cannot be read; then `format` may be null
};

SourceFile readSourceFile(const char* path);

}  // namespace corvale
