// The output format setting and the writer it gives each source.
#include "settings/output_format.h"

#include <algorithm>
#include <cctype>

namespace lumivex {

std::optional<OutputFormat> ParseOutputFormat(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == kSameFormatName) return OutputFormat{true, corvale::Writer::Jpeg};
  if (const corvale::ImageFormat* format = corvale::formatOfOutputName(lower))
    return OutputFormat{false, format->keptAs};
  return std::nullopt;
}

std::string OutputFormatName(const OutputFormat& format) {
  if (format.keepSource) return std::string(kSameFormatName);
  return corvale::formatWrittenBy(format.writer).outputName;
}

std::vector<std::string> OutputFormatNames() {
  std::vector<std::string> names;
  for (const corvale::ImageFormat& format : corvale::imageFormats())
    if (format.outputName) names.emplace_back(format.outputName);
  names.emplace_back(kSameFormatName);
  return names;
}

std::string OutputFormatChoices(std::string_view separator) {
  return corvale::outputNameList(separator) + std::string(separator) + std::string(kSameFormatName);
}

corvale::Writer WriterFor(const OutputFormat& format, const corvale::ImageFormat* source) {
  if (!format.keepSource) return format.writer;
  return source ? source->keptAs : corvale::Writer::Jpeg;
}

}  // namespace lumivex
