// The rows of the table of formats, and the lookups every part of the system makes in them.
#include "formats/format_table.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "formats/content_signatures.h"
#include "readers/planned_readers.h"

// The engine's copy names its readers; the program's copy is built without them.
#ifdef CORVALE_FORMAT_TABLE_WITHOUT_READERS
#define CORVALE_READER(reader) nullptr
#else
#define CORVALE_READER(reader) &reader
#endif

namespace corvale {

namespace {

constexpr std::array kFormats{
    ImageFormat{"JPEG",
                {".jpg", ".jpeg"},
                {"image/jpeg"},
                &hasJpegSignature,
                MetadataContainer::Jpeg,
                CORVALE_READER(readJpegBytes),
                CORVALE_READER(loadJpegPlanned),
                "jpeg",
                Writer::Jpeg},
    ImageFormat{"PNG",
                {".png"},
                {"image/png"},
                &hasPngSignature,
                MetadataContainer::Png,
                CORVALE_READER(readPngBytes),
                CORVALE_READER(readPngPlanned),
                "png",
                Writer::Png,
                AlphaKept::Held},
    ImageFormat{"WebP",
                {".webp"},
                {"image/webp"},
                &hasWebpSignature,
                MetadataContainer::Webp,
                CORVALE_READER(readWebpBytes),
                nullptr,
                "webp",
                Writer::Webp,
                AlphaKept::Held},
    ImageFormat{"TIFF",
                {".tif", ".tiff"},
                {"image/tiff"},
                &hasTiffSignature,
                MetadataContainer::Tiff,
                CORVALE_READER(readTiffBytes),
                CORVALE_READER(readTiffPlanned),
                "tiff",
                Writer::Tiff,
                AlphaKept::Held},
    ImageFormat{"HEIC",
                {".heic", ".heif"},
                {"image/heic", "image/heif"},
                &hasHeicSignature,
                MetadataContainer::Heif,
                CORVALE_READER(readHeifBytes),
                nullptr,
                "heic",
                Writer::Heic,
                AlphaKept::Held},
    ImageFormat{"AVIF",
                {".avif", ".avifs"},
                {"image/avif"},
                &hasAvifSignature,
                MetadataContainer::Heif,
                CORVALE_READER(readHeifBytes),
                nullptr,
                "avif",
                Writer::Avif,
                AlphaKept::Held},
    ImageFormat{"JPEG XL",
                {".jxl"},
                {"image/jxl"},
                &hasJxlSignature,
                MetadataContainer::Jxl,
                CORVALE_READER(readJxlBytes),
                nullptr,
                "jxl",
                Writer::Jxl,
                AlphaKept::Held},
    ImageFormat{"BMP",
                {".bmp"},
                {"image/bmp"},
                &hasBmpSignature,
                MetadataContainer::Bmp,
                CORVALE_READER(readBmpBytes),
                nullptr,
                nullptr,
                Writer::Png},
    ImageFormat{"GIF",
                {".gif"},
                {"image/gif"},
                &hasGifSignature,
                MetadataContainer::None,
                CORVALE_READER(readGifBytes),
                nullptr,
                nullptr,
                Writer::Png},
    ImageFormat{"HD Photo",
                {".jxr", ".wdp", ".hdp"},
                {"image/vnd.ms-photo", "image/jxr"},
                &hasHdPhotoSignature,
                MetadataContainer::None,
                CORVALE_READER(readHdPhotoBytes),
                nullptr,
                nullptr,
                Writer::Jpeg},
};

bool endsWithIgnoringCase(std::string_view name, std::string_view ending) {
  if (name.size() < ending.size()) return false;
  return std::equal(ending.begin(), ending.end(), name.end() - static_cast<std::ptrdiff_t>(ending.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

template <std::size_t N>
std::span<const char* const> listed(const char* const (&entries)[N]) {
  std::size_t count = 0;
  while (count < N && entries[count]) ++count;
  return {entries, count};
}

}  // namespace

std::span<const ImageFormat> imageFormats() { return kFormats; }

const ImageFormat* formatOfName(std::string_view fileName) {
  for (const ImageFormat& format : kFormats)
    for (std::string_view extension : listed(format.extensions))
      if (endsWithIgnoringCase(fileName, extension)) return &format;
  return nullptr;
}

std::string_view knownExtensionOf(std::string_view fileName) {
  for (const ImageFormat& format : kFormats)
    for (std::string_view extension : listed(format.extensions))
      if (endsWithIgnoringCase(fileName, extension))
        return fileName.substr(fileName.size() - extension.size());
  return {};
}

const ImageFormat* formatOfContent(Bytes head) {
  head = head.first(std::min(head.size(), kSignatureBytes));
  for (const ImageFormat& format : kFormats)
    if (format.hasSignature(head)) return &format;
  return nullptr;
}

const ImageFormat& formatWrittenBy(Writer writer) {
  for (const ImageFormat& format : kFormats)
    if (format.outputName && format.keptAs == writer) return format;
  return kFormats.front();  // every writer has its row; the table's test holds it to that
}

const ImageFormat* formatOfOutputName(std::string_view outputName) {
  for (const ImageFormat& format : kFormats)
    if (format.outputName && outputName.size() == std::string_view(format.outputName).size() &&
        endsWithIgnoringCase(outputName, format.outputName))
      return &format;
  return nullptr;
}

bool writerHoldsAlpha(Writer writer) { return formatWrittenBy(writer).writerAlpha == AlphaKept::Held; }

std::string_view writtenExtension(Writer writer) { return formatWrittenBy(writer).extensions[0]; }

std::string outputNameList(std::string_view separator) {
  std::string list;
  for (const ImageFormat& format : kFormats)
    if (format.outputName) list.append(list.empty() ? "" : separator).append(format.outputName);
  return list;
}

std::string extensionList(std::string_view separator) {
  std::string list;
  for (const ImageFormat& format : kFormats)
    for (std::string_view extension : listed(format.extensions))
      list.append(list.empty() ? "" : separator).append(extension);
  return list;
}

std::string mimeTypeList() {
  std::string list;
  for (const ImageFormat& format : kFormats)
    for (std::string_view type : listed(format.mimeTypes)) list.append(type).append(";");
  return list;
}

}  // namespace corvale
