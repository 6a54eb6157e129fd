// TIFF through libtiff: 8-bit RGB (RGBA with straight alpha) strips, Deflate with the horizontal predictor,
// always lossless. The XMP packet is tag 700 and the profile tag 34675. The Exif block's descriptive
// fields join IFD0, and its Exif and GPS IFDs are appended once libtiff is done, in the block's own
// byte order, so that every value, maker notes included, is carried as it is. The file is made in
// memory, through libtiff's client I/O, so it goes to disk the way every output does.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "encoder/writers/writer_registry.h"
#include "metadata/exif_constants.h"
#include "metadata/tiff_exif_block.h"

namespace lumivex {

namespace {

constexpr std::uint32_t kRowsPerStrip = 64;

struct MemoryFile {
  std::vector<std::uint8_t> bytes;
  std::size_t at = 0;
  std::string error;
};

MemoryFile& fileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t readMemory(thandle_t handle, void* data, tmsize_t size) {
  MemoryFile& file = fileOf(handle);
  std::size_t count =
      std::min(static_cast<std::size_t>(size), file.bytes.size() - std::min(file.at, file.bytes.size()));
  if (count) std::memcpy(data, file.bytes.data() + file.at, count);
  file.at += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t writeMemory(thandle_t handle, void* data, tmsize_t size) {
  MemoryFile& file = fileOf(handle);
  auto count = static_cast<std::size_t>(size);
  if (file.at + count > file.bytes.size()) file.bytes.resize(file.at + count);
  std::memcpy(file.bytes.data() + file.at, data, count);
  file.at += count;
  return size;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& file = fileOf(handle);
  std::uint64_t base = whence == SEEK_CUR ? file.at : whence == SEEK_END ? file.bytes.size() : 0;
  file.at = static_cast<std::size_t>(base + offset);
  return file.at;
}

int closeMemory(thandle_t) { return 0; }
toff_t sizeOfMemory(thandle_t handle) { return fileOf(handle).bytes.size(); }

int keepFirstError(TIFF*, void* file, const char*, const char* format, va_list arguments) {
  std::string& error = static_cast<MemoryFile*>(file)->error;
  if (error.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, arguments);
    error = text;
  }
  return 1;
}

int dropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffClose {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

void setFields(TIFF* tiff, const OutputPicture& picture, const OutputMetadata& metadata) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(picture.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(picture.height));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, picture.channels());
  if (picture.alpha) {
    const std::uint16_t straightAlpha[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, straightAlpha);
  }
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);
  if (!metadata.xmp.empty())
    TIFFSetField(tiff, TIFFTAG_XMLPACKET, static_cast<std::uint32_t>(metadata.xmp.size()),
                 metadata.xmp.data());
  if (!metadata.icc.empty())
    TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(metadata.icc.size()),
                 metadata.icc.data());
}

// IFD0's share of the Exif block, and a placeholder pointer for each IFD appended afterwards.
void setExifFields(TIFF* tiff, const std::vector<std::uint8_t>& exif) {
  ExifIfd0ForTiff fields = ExifIfd0FieldsForTiff(exif);
  for (const TiffText& field : fields.texts) TIFFSetField(tiff, field.tag, field.text.c_str());
  TIFFSetField(tiff, TIFFTAG_XRESOLUTION, fields.xResolution);
  TIFFSetField(tiff, TIFFTAG_YRESOLUTION, fields.yResolution);
  TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, fields.resolutionUnit);
  if (ExifHasSubIfd(exif, kExifIfdTag)) TIFFSetField(tiff, TIFFTAG_EXIFIFD, std::uint64_t{0});
  if (ExifHasSubIfd(exif, kGpsIfdTag)) TIFFSetField(tiff, TIFFTAG_GPSIFD, std::uint64_t{0});
}

// The file's byte order is the Exif block's, so that its IFDs can be appended unchanged.
const char* openMode(const std::vector<std::uint8_t>& exif) {
  return !exif.empty() && exif[0] == 'M' ? "wb" : "wl";
}

}  // namespace

std::vector<std::uint8_t> WriteTiff(const OutputPicture& picture, const OutputMetadata& metadata,
                                    const WriterSettings&) {
  MemoryFile file;
  std::unique_ptr<TIFFOpenOptions, decltype(&TIFFOpenOptionsFree)> options(TIFFOpenOptionsAlloc(),
                                                                           &TIFFOpenOptionsFree);
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), keepFirstError, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), dropWarning, nullptr);
  {
    std::unique_ptr<TIFF, TiffClose> tiff(TIFFClientOpenExt("TIFF", openMode(metadata.exif), &file,
                                                            readMemory, writeMemory, seekMemory, closeMemory,
                                                            sizeOfMemory, nullptr, nullptr, options.get()));
    if (!tiff)
      throw std::runtime_error(EncoderFailure("TIFF", file.error.empty() ? "cannot start" : file.error));
    setFields(tiff.get(), picture, metadata);
    setExifFields(tiff.get(), metadata.exif);
    const auto rowBytes =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.channels());
    std::vector<std::uint8_t> row(rowBytes);  // libtiff's predictor works in the row it is given
    for (std::int32_t y = 0; y < picture.height; ++y) {
      std::memcpy(row.data(), picture.rgb.data() + rowBytes * static_cast<std::size_t>(y), rowBytes);
      if (TIFFWriteScanline(tiff.get(), row.data(), static_cast<std::uint32_t>(y), 0) < 0)
        throw std::runtime_error(EncoderFailure("TIFF", file.error));
    }
    if (!TIFFWriteDirectory(tiff.get())) throw std::runtime_error(EncoderFailure("TIFF", file.error));
  }
  if (!file.error.empty()) throw std::runtime_error(EncoderFailure("TIFF", file.error));
  if (!metadata.exif.empty()) AppendExifSubIfds(file.bytes, metadata.exif);
  return std::move(file.bytes);
}

}  // namespace lumivex
