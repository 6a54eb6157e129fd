// HD Photo (JPEG XR) files, decoded by jxrlib's glue layer into 8-bit RGB, or RGBA when the
// image has alpha (composited over white in the picture). Sources of 8 bits a channel without
// alpha go the way they always went: the decoder itself gives 24-bit RGB from any colour format.
// Other depths go through jxrlib's format converter: 16-bit integer channels come out at 16
// bits and are rounded to 8 here; fixed-point, half and float channels (linear light) are turned
// into 8-bit sRGB by the converter.
//
// jxrlib is not safe on malformed files: its release build keeps its assertions (which abort the
// process), and fuzzing finds null dereferences and divisions by zero within seconds. So the
// library never runs in the engine's process: the engine reads the file (a regular file only),
// and a child process, forked for each file, hands those bytes to jxrlib, reports the image size
// or why it could not, decodes, and streams the rows back through a pipe.
// The parent checks the size, allocates the picture, and takes the rows within a time limit that
// grows with the image; a child that crashes, stops, or runs out of time or memory leaves the
// picture empty. The child never returns into the engine: it ends with _exit. jxrlib decodes a
// file cut short without complaint (the missing tiles come out grey), so the image data the
// container declares is checked against the file, and a picture from a file that lacks part of
// it is given with a warning.

#include <algorithm>
#include <chrono>
#include <vector>

#include "readers/file_bytes.h"
#include "readers/readers.h"
#include "readers/rgba_rows.h"
#include "sandbox/forked_decode.h"

// clang-format off
#include <JXRGlue.h>  // after the standard headers: it defines min and max as macros
#undef min
#undef max
// clang-format on

namespace corvale {

namespace {

// Time for the child to open and decode; the parent adds a second per two million pixels (jxrlib
// decodes tens of millions a second).
constexpr auto kBaseTimeLimit = std::chrono::seconds(20);
// The largest picture allocatePicture may give, so the child never decodes more than that.
constexpr std::uint64_t kMaxPictureBytes = std::uint64_t{1} << 31;
// Room for jxrlib's own tables beside the pixel buffer, in a child limited in address space.
constexpr std::uint64_t kChildMemoryMargin = std::uint64_t{1} << 30;
// What the child found when it opened the file.
enum class OpenStatus : std::uint32_t {
  kOpened,
  kNotHdPhoto,
  kUnsupportedDepth,
  kUnsupportedFormat,
  kTooLarge
};

// How the child gets 8-bit pixels: the decoder's own RGB, or the converter's output of 8 or 16
// bits a channel (the latter rounded by the child).
enum class Route : std::uint32_t { kDecoderRgb, kConverted8, kConverted16 };

struct ImageSize {
  OpenStatus status = OpenStatus::kNotHdPhoto;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t channels = 3;  // 3: red, green, blue; 4: with straight alpha
  std::uint32_t cutShort = 0;  // the file ends before the image data its container declares
};

// ---- Child: jxrlib ------------------------------------------------------------------------

// The glue layer's objects for one decode. The child ends with _exit, so they are released only
// for tidiness on the paths that return normally.
struct JxrSession {
  PKFactory* factory = nullptr;
  PKCodecFactory* codecFactory = nullptr;
  PKImageDecode* decoder = nullptr;
  PKFormatConverter* converter = nullptr;
  std::size_t stride = 0;  // bytes per row of the decode buffer
  Route route = Route::kDecoderRgb;
};

// The decoder's output becomes 24-bit RGB of the whole image, unrotated, without alpha: the
// library converts colour formats (grey, YUV, CMYK) of 8-bit sources itself.
void setDecoderRgbOutput(JxrSession& s, const PKPixelInfo& rgbInfo, I32 width, I32 height) {
  CWMImageInfo& info = s.decoder->WMP.wmiI;
  s.decoder->guidPixFormat = GUID_PKPixelFormat24bppRGB;
  info.cfColorFormat = rgbInfo.cfColorFormat;
  info.bdBitDepth = rgbInfo.bdBitDepth;
  info.cBitsPerUnit = rgbInfo.cbitUnit;
  info.bRGB = 1;
  info.oOrientation = O_NONE;
  s.decoder->WMP.wmiSCP.uAlphaMode = 0;
  info.cThumbnailWidth = info.cROIWidth = static_cast<std::size_t>(width);
  info.cThumbnailHeight = info.cROIHeight = static_cast<std::size_t>(height);
  info.cROILeftX = info.cROITopY = 0;
}

bool convertTo(JxrSession& s, const PKPixelFormatGUID& target) {
  if (s.converter) s.converter->Release(&s.converter);
  return s.codecFactory->CreateFormatConverter(&s.converter) == WMP_errSuccess &&
         s.converter->Initialize(s.converter, s.decoder, nullptr, target) == WMP_errSuccess;
}

// The first output the converter can give: RGBA when the source has alpha (dropped when no
// alpha output can be had), at 16 bits for 16-bit integer sources.
OpenStatus chooseConversion(JxrSession& s, const PKPixelInfo& source, ImageSize& size) {
  bool sixteen = source.bdBitDepth == BD_16;
  bool alpha = (source.grBit & PK_pixfmtHasAlpha) != 0;
  s.route = sixteen ? Route::kConverted16 : Route::kConverted8;
  s.decoder->WMP.wmiI.oOrientation = O_NONE;
  if (alpha) {
    s.decoder->WMP.wmiSCP.uAlphaMode = 2;
    size.channels = 4;
    if (convertTo(s, sixteen ? GUID_PKPixelFormat64bppRGBA : GUID_PKPixelFormat32bppRGBA))
      return OpenStatus::kOpened;
  }
  s.decoder->WMP.wmiSCP.uAlphaMode = 0;
  size.channels = 3;
  if (convertTo(s, sixteen ? GUID_PKPixelFormat48bppRGB : GUID_PKPixelFormat24bppRGB))
    return OpenStatus::kOpened;
  return sixteen || source.bdBitDepth == BD_8 ? OpenStatus::kUnsupportedFormat
                                              : OpenStatus::kUnsupportedDepth;
}

// The image data the container declares must lie in the file.
bool cutShort(const JxrSession& s, std::size_t fileBytes) {
  const WmpDEMisc& misc = s.decoder->WMP.wmiDEMisc;
  return std::uint64_t{misc.uImageOffset} + misc.uImageByteCount > fileBytes ||
         std::uint64_t{misc.uAlphaOffset} + misc.uAlphaByteCount > fileBytes;
}

OpenStatus setOutput(JxrSession& s, std::size_t fileBytes, ImageSize& size) {
  PKPixelFormatGUID source;
  if (s.decoder->GetPixelFormat(s.decoder, &source) != WMP_errSuccess) return OpenStatus::kNotHdPhoto;
  PKPixelInfo sourceInfo{}, rgbInfo{};
  sourceInfo.pGUIDPixFmt = &source;
  rgbInfo.pGUIDPixFmt = &GUID_PKPixelFormat24bppRGB;
  if (PixelFormatLookup(&sourceInfo, LOOKUP_FORWARD) != WMP_errSuccess ||
      PixelFormatLookup(&rgbInfo, LOOKUP_FORWARD) != WMP_errSuccess)
    return OpenStatus::kUnsupportedDepth;
  I32 width = 0, height = 0;
  if (s.decoder->GetSize(s.decoder, &width, &height) != WMP_errSuccess || width <= 0 || height <= 0)
    return OpenStatus::kNotHdPhoto;
  size.width = static_cast<std::uint32_t>(width);
  size.height = static_cast<std::uint32_t>(height);
  size.cutShort = cutShort(s, fileBytes);
  if (std::uint64_t{size.width} * size.height * 4 > kMaxPictureBytes) return OpenStatus::kTooLarge;
  bool plain = sourceInfo.bdBitDepth == BD_8 && !(sourceInfo.grBit & PK_pixfmtHasAlpha);
  OpenStatus status = OpenStatus::kOpened;
  if (!plain) status = chooseConversion(s, sourceInfo, size);
  // 8-bit sources whose alpha the converter cannot give keep the decoder's own RGB.
  if (plain || (status != OpenStatus::kOpened && sourceInfo.bdBitDepth == BD_8)) {
    s.route = Route::kDecoderRgb;
    size.channels = 3;
    setDecoderRgbOutput(s, rgbInfo, width, height);
    status = convertTo(s, GUID_PKPixelFormat24bppRGB) ? OpenStatus::kOpened : OpenStatus::kUnsupportedFormat;
  }
  // Rows as large as the source's pixels when those are larger, as jxrlib's own transcoder sizes them.
  std::size_t outputBytes = size.channels * (s.route == Route::kConverted16 ? 2 : 1);
  std::size_t bytesPerPixel = std::max<std::size_t>(outputBytes, (sourceInfo.cbitUnit + 7) / 8);
  s.stride = (bytesPerPixel * size.width + 3) & ~std::size_t{3};
  return status;
}

// What jxrlib's CreateDecoderFromFile does for the .wdp and .hdp extensions, on the bytes the
// parent read: a memory stream given to the Windows Media Photo decoder, which then owns it.
bool createDecoder(Bytes bytes, JxrSession& s) {
  WMPStream* stream = nullptr;
  if (CreateWS_Memory(&stream, const_cast<std::uint8_t*>(bytes.data()), bytes.size()) != WMP_errSuccess)
    return false;
  if (PKCodecFactory_CreateCodec(&IID_PKImageWmpDecode, reinterpret_cast<void**>(&s.decoder)) !=
          WMP_errSuccess ||
      s.decoder->Initialize(s.decoder, stream) != WMP_errSuccess)
    return false;
  s.decoder->fStreamOwner = !0;
  return true;
}

OpenStatus openJxr(Bytes bytes, JxrSession& s, ImageSize& size) {
  if (PKCreateFactory(&s.factory, PK_SDK_VERSION) != WMP_errSuccess ||
      PKCreateCodecFactory(&s.codecFactory, WMP_SDK_VERSION) != WMP_errSuccess || !createDecoder(bytes, s))
    return OpenStatus::kNotHdPhoto;
  return setOutput(s, bytes.size(), size);
}

bool decodeJxr(JxrSession& s, ImageSize size, std::vector<std::uint8_t>& rows) {
  rows.assign(s.stride * size.height, 0);
  PKRect all{0, 0, static_cast<I32>(size.width), static_cast<I32>(size.height)};
  return s.converter->Copy(s.converter, &all, rows.data(), static_cast<U32>(s.stride)) == WMP_errSuccess;
}

// 16-bit samples to 8: the nearest of the 256 levels, as the PNG reader rounds them.
void reduceTo8Bits(const std::uint8_t* row16, std::size_t samples, std::uint8_t* row8) {
  for (std::size_t i = 0; i < samples; ++i) {
    std::uint32_t v = row16[2 * i] | std::uint32_t{row16[2 * i + 1]} << 8;
    row8[i] = static_cast<std::uint8_t>((v * 255 + 32895) >> 16);
  }
}

// The protocol: the outcome of opening the file with the image size, then (when it opened) every
// row top to bottom, channels * width bytes of red, green, blue (and alpha). Anything less means
// failure. Beyond the pixel buffer and a margin for jxrlib's own tables, the child may not grow.
void decodeInChild(Bytes bytes, int out) {
  JxrSession session;
  ImageSize size;
  size.status = openJxr(bytes, session, size);
  if (!writeToParent(out, &size, sizeof size) || size.status != OpenStatus::kOpened) return;
  limitChildMemory(std::uint64_t{session.stride} * size.height + kChildMemoryMargin);
  std::vector<std::uint8_t> rows;
  if (!decodeJxr(session, size, rows)) return;
  std::size_t rowBytes = std::size_t{size.channels} * size.width;
  std::vector<std::uint8_t> reduced(session.route == Route::kConverted16 ? rowBytes : 0);
  for (std::uint32_t y = 0; y < size.height; ++y) {
    const std::uint8_t* row = rows.data() + y * session.stride;
    if (session.route == Route::kConverted16) {
      reduceTo8Bits(row, rowBytes, reduced.data());
      row = reduced.data();
    }
    if (!writeToParent(out, row, rowBytes)) return;
  }
}

// ---- Parent: the child's rows into the picture ------------------------------------------------

bool readRows(ForkedDecode& child, ImageSize size, Picture& picture) {
  std::vector<std::uint8_t> row(std::size_t{size.channels} * size.width);
  for (std::uint32_t y = 0; y < size.height; ++y) {
    if (!child.read(row.data(), row.size())) return false;
    std::uint8_t* out = pixelAt(picture, 0, static_cast<std::int32_t>(y));
    if (size.channels == 4) {
      putRgbaPixels(row.data(), picture.width, picture, out);
      continue;
    }
    for (std::size_t x = 0; x < size.width; ++x, out += 4)
      out[0] = row[3 * x + 2], out[1] = row[3 * x + 1], out[2] = row[3 * x];
  }
  return true;
}

LoadOutcome openFailure(const ImageSize& size) {
  switch (size.status) {
    case OpenStatus::kOpened:
      return {};
    case OpenStatus::kUnsupportedDepth:
      return {LoadCause::kUnsupported, "HD Photo of this bit depth is not supported"};
    case OpenStatus::kUnsupportedFormat:
      return {LoadCause::kUnsupported, "HD Photo of this pixel format is not supported"};
    case OpenStatus::kTooLarge:
      return tooLargeForMemory(size.width, size.height);
    default:
      return {LoadCause::kNotAnImage, "is not an HD Photo file"};
  }
}

}  // namespace

LoadOutcome readHdPhotoBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return {LoadCause::kTruncated, "is empty"};
  ForkedDecode child([bytes](int out) { decodeInChild(bytes, out); }, kBaseTimeLimit);
  ImageSize size;
  if (!child.read(&size, sizeof size)) return {LoadCause::kDecoderFailure, "made the HD Photo decoder fail"};
  if (LoadOutcome failure = openFailure(size); !failure.clean()) return failure;
  if (size.width > INT32_MAX || size.height > INT32_MAX || (size.channels != 3 && size.channels != 4))
    return tooLargeForMemory(size.width, size.height);
  allocatePicture(picture, static_cast<std::int32_t>(size.width), static_cast<std::int32_t>(size.height),
                  referenceDc);
  if (picture.empty()) return tooLargeForMemory(size.width, size.height);
  child.allowFor(std::uint64_t{size.width} * size.height);
  if (readRows(child, size, picture))
    return size.cutShort ? LoadOutcome{LoadCause::kWarnings, "is cut short in its image data"}
                         : LoadOutcome();
  releasePicture(picture);
  return size.cutShort ? LoadOutcome{LoadCause::kTruncated, "is cut short in its image data"}
                       : LoadOutcome{LoadCause::kDamaged, "is damaged: the HD Photo decoder stopped"};
}

}  // namespace corvale
