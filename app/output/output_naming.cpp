// Output names from the pattern: tag replacement, the extension rules and the free-counter search.
#include "output/output_naming.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "formats/format_table.h"
#include "settings/settings.h"
#include "utilities/utilities.h"

namespace lumivex {
namespace {

struct SplitName {
  std::string base;
  std::string extension;
};

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// For JPEG copies, a name whose extension names a format of the table keeps a JPEG's own
// extension (its four letters as they are written, ".jpeg" in lower case) and writes every other
// format's copy with the JPEG writer's extension. Any other name keeps its last four characters as
// the extension; a name shorter than an extension has none, and its copy gets the JPEG one.
// Copies in another format lose the source's known extension and take their writer's.
SplitName splitSourceName(const std::string& name, corvale::Writer writer) {
  std::string_view extension = corvale::knownExtensionOf(name);
  std::string base = name.substr(0, name.size() - extension.size());
  std::string written(corvale::writtenExtension(writer));
  if (writer != corvale::Writer::Jpeg) return {base, written};
  if (const corvale::ImageFormat* format = corvale::formatOfName(name)) {
    if (format->container != corvale::MetadataContainer::Jpeg) return {base, written};
    return {base, extension.size() == 4 ? std::string(extension) : lowerCase(std::string(extension))};
  }
  if (name.size() < 4) return {name, written};
  return {name.substr(0, name.size() - 4), name.substr(name.size() - 4)};
}

// Every occurrence, left to right; the inserted text is not searched again.
std::string replaceAll(const std::string& text, const std::string& tag, const std::string& value) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, from)) {
    out.append(text, from, at - from);
    out += value;
    from = at + tag.size();
  }
  out.append(text, from, std::string::npos);
  return out;
}

std::string zeroPadded(std::int32_t value, std::size_t digits) {
  std::string number = std::to_string(value < 0 ? -static_cast<std::int64_t>(value) : value);
  if (number.size() < digits) number.insert(0, digits - number.size(), '0');
  return value < 0 ? "-" + number : number;
}

constexpr const char* kCounterTags[] = {"%N%", "%N2%", "%N3%", "%N4%", "%N5%", "%N6%"};

bool hasCounterTag(const std::string& name) {
  return std::any_of(std::begin(kCounterTags), std::end(kCounterTags),
                     [&](const char* tag) { return name.find(tag) != std::string::npos; });
}

// "%N%" unpadded, "%Nk%" padded to k digits; all show the same value.
std::string withCounter(const std::string& name, std::int32_t counter) {
  std::string out = replaceAll(name, "%N%", std::to_string(counter));
  for (std::size_t digits = 2; digits <= 6; ++digits)
    out = replaceAll(out, "%N" + std::to_string(digits) + "%", zeroPadded(counter, digits));
  return out;
}

// Tries counter values from `fileCounter` on, using up each one tried, until the name is free in
// the folder. The counter stops at its largest value rather than wrapping round to values that
// were used before.
std::string firstFreeCounterName(const std::string& name, const std::string& destFolder,
                                 std::int32_t& fileCounter) {
  while (true) {
    std::string candidate = withCounter(name, fileCounter);
    if (destFolder.empty()) return candidate;
    if (fileCounter == std::numeric_limits<std::int32_t>::max()) return candidate;
    ++fileCounter;
    if (!FileExists(destFolder + candidate)) return candidate;
  }
}

}  // namespace

bool PatternHasCounter(const std::string& pattern) { return hasCounterTag(pattern); }

bool PatternHasSizeTag(const std::string& pattern) {
  return pattern.find("%DSTX%") != std::string::npos || pattern.find("%DSTY%") != std::string::npos;
}

std::string MakeOutputName(const std::string& sourceName, std::int32_t outWidth, std::int32_t outHeight,
                           const std::string& destFolder, std::int32_t& fileCounter, corvale::Writer writer) {
  return MakeOutputName(sourceName, outWidth, outHeight, destFolder, settings.OutputFilenamePattern,
                        fileCounter, writer);
}

std::string MakeOutputName(const std::string& sourceName, std::int32_t outWidth, std::int32_t outHeight,
                           const std::string& destFolder, const std::string& pattern,
                           std::int32_t& fileCounter, corvale::Writer writer) {
  SplitName split = splitSourceName(sourceName, writer);
  std::string name = replaceAll(pattern, "%SRC%", split.base) + split.extension;
  name = replaceAll(name, "%DSTX%", std::to_string(outWidth));
  name = replaceAll(name, "%DSTY%", std::to_string(outHeight));
  if (!hasCounterTag(name)) return name;
  return firstFreeCounterName(name, destFolder, fileCounter);
}

}  // namespace lumivex
