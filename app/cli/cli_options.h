// The options of `lumivex --batch`: each one overrides a setting of lumivex.cfg for this run only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/output_format.h"
#include "settings/setting_modes.h"

namespace lumivex::cli {

struct CliOptions {
  bool help = false;
  bool version = false;
  std::optional<std::string> size;
  std::optional<std::int32_t> jpegQuality;
  std::optional<std::int32_t> resizeQuality;
  std::optional<DestinationMode> destinationMode;
  std::optional<std::string> subfolderName;
  std::optional<std::string> fixedFolder;
  std::optional<std::string> pattern;
  std::optional<RotationMode> rotationMode;
  std::optional<bool> autoCrop;
  std::optional<OverwriteMode> overwriteMode;
  std::optional<bool> copyExif;
  std::optional<bool> walkSubfolders;  // the answer to every subfolder question; none: ask
  std::optional<std::string> profile;  // keep, srgb or strip
  std::optional<bool> stripLocation;
  std::optional<bool> keepDate;
  std::optional<bool> shrinkOnly;
  std::optional<std::int64_t> maxFileBytes;  // the largest output file; 0 for no limit
  std::optional<OutputFormat> format;        // the format copies are written in
  std::optional<bool> lossless;
  std::vector<std::string> items;  // files and folders, in order
};

struct ParsedOptions {
  CliOptions options;
  std::string error;  // a usage error, empty when the arguments were understood
};

// Parses the arguments after --batch.
ParsedOptions ParseCliOptions(const std::vector<std::string>& arguments);

// True for an option of --batch that the window does not take (every one but --size).
bool IsBatchOnlyOption(const std::string& argument);

// What the command line asks for: --help, -h and --version anywhere before "--" ask for
// information, else --batch anywhere asks for a run without a window.
enum class ProgramMode { Window, Batch, Information };
ProgramMode ModeOfArguments(const std::vector<std::string>& arguments);

// Writes the given overrides into the program's settings (never saved).
void ApplyOverrides(const CliOptions& options);

// Why the size limit cannot be met by the chosen format (PNG and TIFF have no quality to lower),
// or empty when it can; a run is refused before it starts rather than writing every file too large.
std::string SizeLimitRefusal();

std::string UsageText();

}  // namespace lumivex::cli
