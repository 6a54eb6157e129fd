// Which function writes which format, and the size-limit search the lossy ones share.
#include "encoder/writers/writer_registry.h"

#include <algorithm>

namespace lumivex {

namespace {

constexpr std::int32_t kLowestQuality = 10;

}  // namespace

WriterFunction WriterFunctionFor(corvale::Writer writer) {
  switch (writer) {
    case corvale::Writer::Png:
      return &WritePng;
    case corvale::Writer::Webp:
      return &WriteWebp;
    case corvale::Writer::Avif:
      return &WriteAvif;
    case corvale::Writer::Jxl:
      return &WriteJxl;
    case corvale::Writer::Tiff:
      return &WriteTiff;
    case corvale::Writer::Heic:
      return &WriteHeic;
    case corvale::Writer::Jpeg:
      break;
  }
  return nullptr;
}

bool WriterHasQuality(corvale::Writer writer) {
  return writer != corvale::Writer::Png && writer != corvale::Writer::Tiff;
}

// A file's size falls as its quality falls, so the qualities are searched like a sorted list; the
// search ends with a quality whose file fits and the next one up known not to.
WriterFit WriteWithin(WriterFunction write, const OutputPicture& picture, const OutputMetadata& metadata,
                      WriterSettings settings, std::int64_t maxFileBytes) {
  auto fileAt = [&](std::int32_t quality) {
    settings.quality = quality;
    return write(picture, metadata, settings);
  };
  auto fits = [&](const std::vector<std::uint8_t>& file) {
    return std::int64_t(file.size()) <= maxFileBytes;
  };
  WriterFit best{fileAt(settings.quality), settings.quality, false};
  if ((best.fits = fits(best.file)) || settings.lossless) return best;
  std::int32_t low = std::min(kLowestQuality, settings.quality), high = settings.quality - 1;
  WriterFit lowest{fileAt(low), low, false};
  if (!(lowest.fits = fits(lowest.file))) return lowest;
  best = std::move(lowest);
  // best.quality fits, everything above `high` does not.
  while (best.quality < high) {
    std::int32_t middle = best.quality + (high - best.quality + 1) / 2;
    std::vector<std::uint8_t> file = fileAt(middle);
    if (fits(file))
      best = {std::move(file), middle, true};
    else
      high = middle - 1;
  }
  return best;
}

}  // namespace lumivex
