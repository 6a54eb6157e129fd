// TIFF files through libtiff's RGBA interface, which takes strips and tiles, every compression
// the library was built with (LZW, Deflate, JPEG, PackBits, ...), grey, palette, RGB, CMYK and
// YCbCr, 1 to 16 bits a sample. The first page of a multi-page file is read. The Orientation
// tag is applied here, all eight of its values (the library itself would only flip, never turn),
// so the picture comes out upright as the file asks; the batch's Exif step never sees a TIFF's
// orientation, so nothing turns it twice. The library's alpha comes out premultiplied and is
// composited over white.
//
// The file is opened from memory through the client interface, with per-file error and warning
// handlers: the library never prints, and its first error becomes the reason.
//
// The planned load of an upright file in strips (or tiles) of at most kMostRowsPerRead rows takes
// its rows a strip at a time (picture/planned_rows.h): a reduced TIFF photo is never held at full
// size, nor its whole RGBA raster beside it.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/planned_rows.h"
#include "readers/file_bytes.h"
#include "readers/planned_readers.h"
#include "readers/readers.h"
#include "readers/rgba_rows.h"

namespace corvale {

namespace {

// The largest single buffer libtiff may ask for (a strip, a tile, a table); the picture and the
// RGBA rows are allocated here, against the picture limit.
constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{1} << 30;

// The file's bytes as libtiff's client sees them: read-only, seekable, mapped.
struct MemoryFile {
  Bytes bytes;
  std::uint64_t position = 0;
};

tmsize_t readMemory(thandle_t handle, void* out, tmsize_t count) {
  auto& file = *static_cast<MemoryFile*>(handle);
  if (count <= 0 || file.position >= file.bytes.size()) return 0;
  std::uint64_t available = file.bytes.size() - file.position;
  std::uint64_t n = std::min<std::uint64_t>(available, static_cast<std::uint64_t>(count));
  std::memcpy(out, file.bytes.data() + file.position, n);
  file.position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t refuseWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t seekMemory(thandle_t handle, toff_t offset, int whence) {
  auto& file = *static_cast<MemoryFile*>(handle);
  std::uint64_t base = whence == SEEK_CUR ? file.position : whence == SEEK_END ? file.bytes.size() : 0;
  // Offsets are unsigned here; a seek before the start wraps and is refused like one past 2^62.
  std::uint64_t target = base + offset;
  if (target > (std::uint64_t{1} << 62)) return static_cast<toff_t>(-1);
  file.position = target;
  return target;
}

int closeMemory(thandle_t) { return 0; }
toff_t sizeOfMemory(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes.size(); }

int mapMemory(thandle_t handle, void** base, toff_t* size) {
  auto& file = *static_cast<MemoryFile*>(handle);
  *base = const_cast<std::uint8_t*>(file.bytes.data());
  *size = file.bytes.size();
  return 1;
}
void unmapMemory(thandle_t, void*, toff_t) {}

// The first error the library reported on this file; warnings are dropped.
int keepFirstError(TIFF*, void* userData, const char*, const char* format, va_list args) {
  auto& failure = *static_cast<std::string*>(userData);
  if (failure.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    failure = text;
  }
  return 1;  // handled: the library's default handler (stderr) stays silent
}
int dropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OpenOptions {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  ~OpenOptions() { TIFFOpenOptionsFree(options); }
};

struct TiffClose {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

TIFF* openFromMemory(MemoryFile& file, std::string& libraryError) {
  OpenOptions open;
  if (!open.options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(open.options, kMaxLibraryAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(open.options, keepFirstError, &libraryError);
  TIFFOpenOptionsSetWarningHandlerExtR(open.options, dropWarning, nullptr);
  return TIFFClientOpenExt("TIFF", "r", &file, readMemory, refuseWrite, seekMemory, closeMemory, sizeOfMemory,
                           mapMemory, unmapMemory, open.options);
}

bool looksLikeTiff(Bytes bytes) {
  static const std::uint8_t kLittle[] = {'I', 'I'}, kBig[] = {'M', 'M'};
  return bytes.size() >= 2 &&
         (std::memcmp(bytes.data(), kLittle, 2) == 0 || std::memcmp(bytes.data(), kBig, 2) == 0);
}

LoadOutcome withLibraryText(LoadCause cause, const char* what, const std::string& text) {
  return {cause, text.empty() ? std::string(what) : std::string(what) + " (" + text + ")"};
}

struct RgbaImage {
  TIFFRGBAImage image{};
  bool begun = false;
  ~RgbaImage() {
    if (begun) TIFFRGBAImageEnd(&image);
  }
};

// Where stored pixel (x, y) of a width x height image lands in the upright picture, for the
// Orientation tag's values (TIFF 6.0, section 8): 2 to 4 mirror, 5 to 8 also swap the sides.
struct UprightPlacement {
  int orientation;
  std::uint32_t width, height;

  bool swapsSides() const { return orientation >= 5 && orientation <= 8; }
  std::uint32_t outX(std::uint32_t x, std::uint32_t y) const {
    switch (orientation) {
      case 2:
      case 3:
        return width - 1 - x;
      case 5:
      case 8:
        return y;
      case 6:
      case 7:
        return height - 1 - y;
      default:
        return x;
    }
  }
  std::uint32_t outY(std::uint32_t x, std::uint32_t y) const {
    switch (orientation) {
      case 3:
      case 4:
        return height - 1 - y;
      case 5:
      case 6:
        return x;
      case 7:
      case 8:
        return width - 1 - x;
      default:
        return y;
    }
  }
};

void placeUpright(const std::vector<std::uint32_t>& raster, const UprightPlacement& place, Picture& picture) {
  for (std::uint32_t y = 0; y < place.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(raster.data() + std::size_t{place.width} * y);
    if (place.orientation <= 1 || place.orientation > 8) {
      putPremultipliedRgbaRow(row, picture, static_cast<std::int32_t>(y));
      continue;
    }
    for (std::uint32_t x = 0; x < place.width; ++x)
      putPremultipliedRgbaPixel(row + 4 * std::size_t{x}, picture,
                                pixelAt(picture, static_cast<std::int32_t>(place.outX(x, y)),
                                        static_cast<std::int32_t>(place.outY(x, y))));
  }
}

// No compression the format has packs more pixels than this into one byte of file (a blank fax
// page in CCITT G4 comes near); a header that claims more, such as a gigapixel image in a file of
// a few hundred bytes, is refused before gigabytes are allocated and cleared for it.
constexpr std::uint64_t kMostPixelsPerFileByte = 32768;

bool tooShortForPixels(std::size_t fileBytes, std::uint32_t width, std::uint32_t height) {
  return std::uint64_t{width} * height / kMostPixelsPerFileByte > fileBytes;
}

// The RGBA interface started on the file's first page, its rows asked for as stored: asking for
// the file's own orientation makes the library flip nothing.
LoadOutcome beginRgba(TIFF* tiff, std::size_t fileBytes, RgbaImage& rgba) {
  char reason[1024] = {};
  if (!TIFFRGBAImageOK(tiff, reason))
    return {LoadCause::kUnsupported, std::string("is a TIFF of a kind that cannot be read (") + reason + ")"};
  if (!(rgba.begun = TIFFRGBAImageBegin(&rgba.image, tiff, 1, reason) != 0))
    return {LoadCause::kUnsupported, std::string("is a TIFF of a kind that cannot be read (") + reason + ")"};
  rgba.image.req_orientation = rgba.image.orientation;
  if (tooShortForPixels(fileBytes, rgba.image.width, rgba.image.height))
    return tooShortForItsSize(rgba.image.width, rgba.image.height);
  return {};
}

LoadOutcome decodeImage(TIFF* tiff, std::size_t fileBytes, gdi::HDC referenceDc, Picture& picture,
                        const std::string& libraryError) {
  RgbaImage rgba;
  if (LoadOutcome failure = beginRgba(tiff, fileBytes, rgba); !failure.clean()) return failure;
  std::uint32_t width = rgba.image.width, height = rgba.image.height;
  UprightPlacement place{rgba.image.orientation, width, height};
  LoadOutcome failure = place.swapsSides() ? allocateDecodedPicture(picture, height, width, referenceDc)
                                           : allocateDecodedPicture(picture, width, height, referenceDc);
  if (!failure.clean()) return failure;
  std::vector<std::uint32_t> raster(std::size_t{width} * height);
  if (!TIFFRGBAImageGet(&rgba.image, raster.data(), width, height)) {
    releasePicture(picture);
    return withLibraryText(LoadCause::kDamaged, "has damaged TIFF image data", libraryError);
  }
  placeUpright(raster, place, picture);
  return {};
}

// A strip or a row of tiles is decoded whole by every read that touches it, so rows are asked
// for one strip at a time, and a file of taller strips is read whole instead.
constexpr std::uint32_t kMostRowsPerRead = 256;

// The rows of one strip, or of one row of tiles; 0 when they are too many to read that way.
std::uint32_t rowsPerRead(TIFF* tiff) {
  std::uint32_t rows = 0;
  if (TIFFIsTiled(tiff))
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &rows);
  else
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows);
  return rows >= 1 && rows <= kMostRowsPerRead ? rows : 0;
}

// Every row of an upright file, strip by strip, into `rows`, flattened as the whole picture is.
LoadOutcome streamRows(TIFFRGBAImage& image, std::uint32_t rowsPerRead, PlannedRows& rows, Picture& result,
                       const std::string& libraryError) {
  const std::uint32_t width = image.width, height = image.height;
  std::vector<std::uint32_t> raster(std::size_t{width} * rowsPerRead);
  for (std::uint32_t first = 0; first < height; first += rowsPerRead) {
    const std::uint32_t count = std::min(rowsPerRead, height - first);
    image.row_offset = static_cast<int>(first);
    if (!TIFFRGBAImageGet(&image, raster.data(), width, count))
      return withLibraryText(LoadCause::kDamaged, "has damaged TIFF image data", libraryError);
    for (std::uint32_t r = 0; r < count; ++r) {
      const auto* in = reinterpret_cast<const std::uint8_t*>(raster.data() + std::size_t{width} * r);
      std::uint8_t* out = rows.rowFor(static_cast<std::int32_t>(first + r));
      for (std::uint32_t x = 0; x < width; ++x, in += 4, out += 4) putPremultipliedRgbaPixel(in, result, out);
      rows.rowsDone(static_cast<std::int32_t>(first + r + 1));
    }
  }
  return {};
}

struct OpenedTiff {
  MemoryFile file;
  std::string libraryError;
  std::unique_ptr<TIFF, TiffClose> tiff;
};

LoadOutcome openTiff(Bytes bytes, OpenedTiff& opened) {
  if (bytes.empty()) return {LoadCause::kTruncated, "is empty"};
  if (!looksLikeTiff(bytes)) return {LoadCause::kNotAnImage, "is not a TIFF file"};
  opened.file.bytes = bytes;
  opened.tiff.reset(openFromMemory(opened.file, opened.libraryError));
  if (!opened.tiff)
    return withLibraryText(LoadCause::kDamaged, "has a damaged TIFF header", opened.libraryError);
  return {};
}

}  // namespace

LoadOutcome readTiffBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  OpenedTiff opened;
  if (LoadOutcome failure = openTiff(bytes, opened); !failure.clean()) return failure;
  return decodeImage(opened.tiff.get(), bytes.size(), referenceDc, picture, opened.libraryError);
}

// A picture that keeps its alpha, a file to be turned, and a file of tall strips are read whole
// first.
LoadOutcome readTiffPlanned(Bytes bytes, const LoadPlanner& planner, Picture& result) {
  if (result.alphaWanted) return loadWholeThenPlan(&readTiffBytes, bytes, planner, result);
  OpenedTiff opened;
  if (LoadOutcome failure = openTiff(bytes, opened); !failure.clean()) return failure;
  RgbaImage rgba;
  if (LoadOutcome failure = beginRgba(opened.tiff.get(), bytes.size(), rgba); !failure.clean())
    return failure;
  const std::uint32_t rowsEachRead = rowsPerRead(opened.tiff.get());
  if (rgba.image.orientation > ORIENTATION_TOPLEFT || rowsEachRead == 0)
    return loadWholeThenPlan(&readTiffBytes, bytes, planner, result);
  return loadRowsPlanned(planner, result, static_cast<std::int32_t>(rgba.image.width),
                         static_cast<std::int32_t>(rgba.image.height), [&](PlannedRows& rows) {
                           return streamRows(rgba.image, rowsEachRead, rows, result, opened.libraryError);
                         });
}

}  // namespace corvale
