// Parsing `lumivex --batch` options into overrides of the settings, and the --help text.
#include "cli/cli_options.h"

#include <algorithm>
#include <functional>
#include <map>

#include "encoder/writers/writer_registry.h"
#include "formats/format_table.h"
#include "settings/more_settings.h"
#include "settings/settings.h"
#include "settings/target_size.h"

namespace lumivex::cli {

namespace {

constexpr std::int32_t kMinJpegQuality = 10;
constexpr std::int32_t kMaxJpegQuality = 100;

// A keyword option's words and the setting value each stands for; the digit itself is accepted
// too, as lumivex.cfg stores it. The modes' keywords live with the settings (setting_modes.h).
using Keywords = std::map<std::string, std::int32_t>;

const std::map<std::string, std::string> kShortNames = {{"-s", "--size"},
                                                        {"-q", "--quality"},
                                                        {"-r", "--resampling"},
                                                        {"-d", "--destination"},
                                                        {"-p", "--pattern"}};
const std::vector<std::string> kValued = {"--size",      "--quality",      "--resampling", "--destination",
                                          "--subfolder", "--fixed-folder", "--pattern",    "--rotate",
                                          "--overwrite", "--profile",      "--max-size",   "--format"};
const std::vector<std::string> kSwitches = {
    "--same-folder", "--crop",          "--no-crop",        "--exif",          "--no-exif",
    "--subfolders",  "--no-subfolders", "--strip-location", "--keep-location", "--keep-date",
    "--new-date",    "--shrink-only",   "--enlarge",        "--lossless",      "--lossy"};

bool IsValuedShortOption(const std::string& name) { return kShortNames.contains(name); }
const Keywords kResampling = {{"good", 1}, {"excellent", 2}, {"best", 3}, {"1", 1}, {"2", 2}, {"3", 3}};

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}
  ParsedOptions parse();

 private:
  bool parseOption(const std::string& name, const std::optional<std::string>& inlineValue);
  bool takeValue(const std::string& name, const std::optional<std::string>& inlineValue, std::string& value);
  bool keyword(const std::string& name, const std::string& value, const Keywords& words,
               std::optional<std::int32_t>& out);
  template <class Mode>
  bool modeKeyword(const std::string& name, const std::string& value,
                   bool (*fromName)(const std::string&, Mode&), std::optional<Mode>& out);
  bool quality(const std::string& value);
  bool fail(const std::string& error) {
    if (result_.error.empty()) result_.error = error;
    return false;
  }

  const std::vector<std::string>& arguments_;
  std::size_t next_ = 0;
  ParsedOptions result_;
};

ParsedOptions Parser::parse() {
  bool onlyItems = false;
  while (next_ < arguments_.size()) {
    const std::string& argument = arguments_[next_++];
    if (onlyItems || argument.size() < 2 || argument[0] != '-') {
      result_.options.items.push_back(argument);
    } else if (argument == "--") {
      onlyItems = true;
    } else {
      std::size_t equals = argument.find('=');
      std::optional<std::string> inlineValue;
      std::size_t nameEnd = std::string::npos;
      if (argument.starts_with("--") && equals != std::string::npos)
        inlineValue = argument.substr(equals + 1), nameEnd = equals;
      // A short option's value may follow it at once, as getopt allows ("-s800x600").
      if (!argument.starts_with("--") && argument.size() > 2 && IsValuedShortOption(argument.substr(0, 2)))
        inlineValue = argument.substr(2), nameEnd = 2;
      if (!parseOption(argument.substr(0, nameEnd), inlineValue)) return result_;
    }
  }
  CliOptions& o = result_.options;
  if (!o.help && !o.version && o.items.empty()) fail("no FILE or FOLDER given");
  return result_;
}

bool Parser::takeValue(const std::string& name, const std::optional<std::string>& inlineValue,
                       std::string& value) {
  if (inlineValue) {
    value = *inlineValue;
    return true;
  }
  if (next_ >= arguments_.size()) return fail("option " + name + " needs a value");
  value = arguments_[next_++];
  return true;
}

bool Parser::keyword(const std::string& name, const std::string& value, const Keywords& words,
                     std::optional<std::int32_t>& out) {
  auto found = words.find(value);
  if (found == words.end()) return fail("option " + name + " does not take the value \"" + value + "\"");
  out = found->second;
  return true;
}

template <class Mode>
bool Parser::modeKeyword(const std::string& name, const std::string& value,
                         bool (*fromName)(const std::string&, Mode&), std::optional<Mode>& out) {
  Mode read{};
  if (!fromName(value, read)) return fail("option " + name + " does not take the value \"" + value + "\"");
  out = read;
  return true;
}

bool Parser::quality(const std::string& value) {
  std::size_t digits = value.find_first_not_of("0123456789");
  if (value.empty() || digits != std::string::npos || value.size() > 3)
    return fail("option --quality takes a number from 10 to 100");
  std::int32_t q = std::stoi(value);
  if (q < kMinJpegQuality || q > kMaxJpegQuality)
    return fail("option --quality takes a number from 10 to 100");
  result_.options.jpegQuality = q;
  return true;
}

bool Parser::parseOption(const std::string& name, const std::optional<std::string>& inlineValue) {
  CliOptions& o = result_.options;
  using Switch = std::function<void()>;
  const std::map<std::string, Switch> switches = {
      {"--help", [&] { o.help = true; }},
      {"-h", [&] { o.help = true; }},
      {"--version", [&] { o.version = true; }},
      {"--same-folder", [&] { o.destinationMode = DestinationMode::SourceFolder; }},
      {"--crop", [&] { o.autoCrop = true; }},
      {"--no-crop", [&] { o.autoCrop = false; }},
      {"--exif", [&] { o.copyExif = true; }},
      {"--no-exif", [&] { o.copyExif = false; }},
      {"--subfolders", [&] { o.walkSubfolders = true; }},
      {"--no-subfolders", [&] { o.walkSubfolders = false; }},
      {"--strip-location", [&] { o.stripLocation = true; }},
      {"--keep-location", [&] { o.stripLocation = false; }},
      {"--keep-date", [&] { o.keepDate = true; }},
      {"--new-date", [&] { o.keepDate = false; }},
      {"--shrink-only", [&] { o.shrinkOnly = true; }},
      {"--enlarge", [&] { o.shrinkOnly = false; }},
      {"--lossless", [&] { o.lossless = true; }},
      {"--lossy", [&] { o.lossless = false; }},
      // Already seen by the program, wherever it stood on the line.
      {"--batch", [] {}},
  };
  if (auto s = switches.find(name); s != switches.end()) {
    if (inlineValue) return fail("option " + name + " takes no value");
    s->second();
    return true;
  }
  std::string longName = kShortNames.contains(name) ? kShortNames.at(name) : name;
  if (std::find(kValued.begin(), kValued.end(), longName) == kValued.end())
    return fail("unknown option " + name);
  std::string value;
  if (!takeValue(name, inlineValue, value)) return false;
  if (longName == "--size") {
    TargetSizesReading reading = ReadTargetSizes(value);
    if (!reading.valid) return fail("option --size \"" + value + "\": " + reading.status + " " + kSizeForms);
    // Given again, it adds a size: every photo is made at each.
    o.size = o.size ? JoinTargetSizeTexts({*o.size, value}) : value;
  } else if (longName == "--max-size") {
    std::optional<std::int64_t> limit = ParseFileSizeLimit(value);
    if (!limit)
      return fail("option --max-size takes a file size such as 300k or 1.5m, not \"" + value + "\"");
    o.maxFileBytes = *limit;
  } else if (longName == "--quality") {
    return quality(value);
  } else if (longName == "--resampling") {
    return keyword(name, value, kResampling, o.resizeQuality);
  } else if (longName == "--destination") {
    return modeKeyword(name, value, DestinationModeFromName, o.destinationMode);
  } else if (longName == "--subfolder") {
    o.subfolderName = value, o.destinationMode = DestinationMode::Subfolder;
  } else if (longName == "--fixed-folder") {
    if (value.empty()) return fail("option --fixed-folder needs a folder");
    o.fixedFolder = value, o.destinationMode = DestinationMode::FixedFolder;
  } else if (longName == "--pattern") {
    if (value.empty()) return fail("option --pattern needs a pattern");
    o.pattern = value;
  } else if (longName == "--rotate") {
    return modeKeyword(name, value, RotationModeFromName, o.rotationMode);
  } else if (longName == "--overwrite") {
    return modeKeyword(name, value, OverwriteModeFromName, o.overwriteMode);
  } else if (longName == "--format") {
    o.format = ParseOutputFormat(value);
    if (!o.format) return fail("option --format: " + OutputFormatChoices(", ") + ", not \"" + value + "\"");
  } else if (longName == "--profile") {
    ProfileMode mode;
    if (!ProfileModeFromName(value, mode))
      return fail("option --profile: keep, srgb or strip, not \"" + value + "\"");
    o.profile = value;
  }
  return true;
}

template <typename T>
void override(T& setting, const std::optional<T>& value) {
  if (value) setting = *value;
}

}  // namespace

ParsedOptions ParseCliOptions(const std::vector<std::string>& arguments) { return Parser(arguments).parse(); }

bool IsBatchOnlyOption(const std::string& argument) {
  std::string name = argument.substr(0, argument.starts_with("--") ? argument.find('=') : 2);
  if (name == "-s" || name == "--size") return false;
  return kShortNames.contains(name) || std::find(kValued.begin(), kValued.end(), name) != kValued.end() ||
         std::find(kSwitches.begin(), kSwitches.end(), name) != kSwitches.end();
}

ProgramMode ModeOfArguments(const std::vector<std::string>& arguments) {
  ProgramMode mode = ProgramMode::Window;
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h" || argument == "--version") return ProgramMode::Information;
    if (argument == "--batch") mode = ProgramMode::Batch;
  }
  return mode;
}

void ApplyOverrides(const CliOptions& options) {
  override(settings.ResolutionText, options.size);
  override(settings.JpegQuality, options.jpegQuality);
  override(settings.ResizeQuality, options.resizeQuality);
  override(settings.DestinationMode, options.destinationMode);
  override(settings.SubfolderName, options.subfolderName);
  override(settings.FixedFolder, options.fixedFolder);
  override(settings.OutputFilenamePattern, options.pattern);
  override(settings.RotationMode, options.rotationMode);
  override(settings.AutoCrop, options.autoCrop);
  override(settings.OverwriteMode, options.overwriteMode);
  override(settings.CopyExif, options.copyExif);
  if (options.profile) ProfileModeFromName(*options.profile, moreSettings.profile);
  override(moreSettings.stripLocation, options.stripLocation);
  override(moreSettings.keepDate, options.keepDate);
  override(moreSettings.shrinkOnly, options.shrinkOnly);
  override(moreSettings.maxFileBytes, options.maxFileBytes);
  override(moreSettings.format, options.format);
  override(moreSettings.lossless, options.lossless);
}

std::string SizeLimitRefusal() {
  const OutputFormat& format = moreSettings.format;
  if (moreSettings.maxFileBytes == 0 || format.keepSource || WriterHasQuality(format.writer)) return {};
  return std::string("--max-size cannot apply to ") + corvale::formatWrittenBy(format.writer).name +
         " files, which are always lossless; leave it out or choose a lossy --format";
}

std::string UsageText() {
  return R"(Usage: lumivex [--size SIZE] [FILE|FOLDER]...   open the window with these images queued
       lumivex --batch [OPTIONS] FILE|FOLDER...   resize without a window
       lumivex --help | --version

Writes a resized copy (JPEG unless --format says otherwise) of every image named or found in the folders named. Settings come
from lumivex.cfg; each option overrides one for this run only (nothing is saved).
Images: )" +
         corvale::extensionList(", ") + R"(

Options of --batch:
  -s, --size SIZE           target size: WIDTHxHEIGHT (a 0 keeps the photo's size), WIDTHx or
                            xHEIGHT (the other side follows the photo), PERCENT%, or "No Resize";
                            given again (or "800x600; 1920x1080") every photo is made at each
                            size, decoded once; a name pattern without %DSTX% or %DSTY% then
                            gets the size appended ("_800x600")
  -q, --quality N           quality of JPEG, WebP, AVIF, JPEG XL and HEIC copies, 10 to 100
      --format FORMAT       the copies' format: )" +
         OutputFormatChoices(", ") + R"(;
                            same keeps each photo's format (GIF and BMP become PNG, HD Photo
                            JPEG); PNG and TIFF are always lossless
      --lossless            WebP, AVIF and JPEG XL copies without loss (--lossy: with)
      --max-size SIZE       largest output file, e.g. 300k or 1.5m (k = 1024 bytes, m = 1024 k;
                            0 for none): each photo gets the highest quality up to --quality
                            that fits, 10 at the lowest, and the quality chosen is shown
                            (not for --format png or tiff)
  -r, --resampling MODE     good, excellent or best
  -d, --destination MODE    same (the photo's folder), subfolder or fixed
      --same-folder         write beside each photo
      --subfolder NAME      write into the subfolder NAME of each named folder, mirroring the
                            tree below it (NAME may hold %WIDTH% and %HEIGHT%)
      --fixed-folder PATH   write every photo into PATH (may hold %WIDTH%, %HEIGHT%, %SUBDIR%)
  -p, --pattern PATTERN     output name: %SRC%, %DSTX%, %DSTY%, counters %N% and %N2%..%N6%
      --rotate MODE         none, exif (turn upright by the Exif orientation) or landscape
      --crop, --no-crop     crop to the target's aspect ratio before resizing, or not
      --overwrite POLICY    ask, never or always, when the output file exists
      --exif, --no-exif     copy the photo's Exif block into the output, or not
      --profile MODE        the colour profile: keep (it travels with the photo), srgb (the
                            pixels are converted to sRGB, no profile) or strip
      --strip-location      copy the Exif block without its GPS data (--keep-location: with it)
      --keep-date           give each output its photo's modification time (--new-date: not)
      --shrink-only         keep the size of a photo already within the target (--enlarge: not)
      --subfolders          walk the subfolders of every named folder without asking
      --no-subfolders       never walk subfolders
  -h, --help                print this help
      --version             print the version

The window's settings are saved in $XDG_CONFIG_HOME/lumivex/lumivex.cfg (by default
~/.config/lumivex/), or beside the program when a lumivex.cfg is already there (a portable
install); LUMIVEX_CONFIG_DIR names another folder.
Questions (subfolders, overwriting) are asked only when standard input is a terminal; otherwise
subfolders are not walked and existing files are never overwritten.
Exit status: 0 when every photo was written (or kept by the overwrite policy), 1 when some photo
or named item failed, 2 for a usage error.
)";
}

}  // namespace lumivex::cli
