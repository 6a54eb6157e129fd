// HEIF files (HEIC with HEVC images, AVIF with AV1 images) through libheif: the primary image,
// with the container's own transformations (clean aperture, rotation, mirroring) applied by the
// library as it decodes, converted to 8-bit RGB (RGBA when the image has alpha, composited over
// white). Because the container turns the image itself, an Exif orientation inside a HEIF file
// must not turn it again.
//
// libheif's codecs are not trusted with the engine's process: under fuzzing dav1d leaks and
// writes its complaints to stderr on malformed AV1 data, and nothing lets a caller silence it.
// So, as the HD Photo reader does with jxrlib, a child process forked for each file decodes the
// bytes the engine read, with its output sent to /dev/null and its memory and time limited, and
// streams the picture's rows back through a pipe; a child that crashes, stops, or runs out of
// time or memory leaves the picture empty with a reason.

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "libraries/lazy_heif.h"
#include "readers/file_bytes.h"
#include "readers/readers.h"
#include "readers/rgba_rows.h"
#include "sandbox/forked_decode.h"

namespace corvale {

namespace {

// libheif refuses images of more than this squared pixels, just above kMaxPicturePixels.
constexpr int kMaxHeifSide = 23171;

// Time for the child to parse and decode; the parent adds a second per two million pixels to
// take them over.
constexpr auto kBaseTimeLimit = std::chrono::seconds(30);
// Room for the codecs' own buffers (reference frames, YUV planes, tiles) beside the picture.
constexpr std::uint64_t kChildMemoryMargin = std::uint64_t{3} << 30;

struct ContextFree {
  void operator()(heif_context* ctx) const { heif_context_free(ctx); }
};
struct HandleRelease {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
  void operator()(heif_image* image) const { heif_image_release(image); }
};

bool isAvif(Bytes bytes) {
  int length = static_cast<int>(std::min<std::size_t>(bytes.size(), 64));
  heif_brand brand = heif_main_brand(bytes.data(), length);
  return brand == heif_avif || brand == heif_avis;
}

// A file this system cannot decode for want of a codec says which, before anything is read.
LoadOutcome missingCodec(Bytes bytes) {
  if (isAvif(bytes)) {
    if (!heif_have_decoder_for_format(heif_compression_AV1))
      return {LoadCause::kUnsupported, "is an AVIF file, and this system's libheif has no AV1 decoder"};
  } else if (!heif_have_decoder_for_format(heif_compression_HEVC)) {
    return {LoadCause::kUnsupported, "is a HEIC file, and this system's libheif has no HEVC decoder"};
  }
  return {};
}

// An image sequence says so in its brands. libheif reads the still images of a file, not its
// tracks: a sequence loads when it also holds a primary still image (most do), and is named
// for what it is when it does not.
bool isSequence(Bytes bytes) {
  int length = static_cast<int>(std::min<std::size_t>(bytes.size(), 4096));
  heif_brand brand = heif_main_brand(bytes.data(), std::min(length, 64));
  return brand == heif_msf1 || brand == heif_hevs || brand == heif_avis ||
         heif_has_compatible_brand(bytes.data(), length, "msf1") == 1;
}

const LoadOutcome kSequence{LoadCause::kUnsupported, "is a HEIF image sequence"};

LoadOutcome libraryFailure(const char* what, const heif_error& error) {
  if (error.code == heif_error_Invalid_input && error.subcode == heif_suberror_End_of_data)
    return {LoadCause::kTruncated, "is cut short"};
  if (error.code == heif_error_Unsupported_feature || error.subcode == heif_suberror_Unsupported_codec ||
      error.subcode == heif_suberror_Unsupported_image_type)
    return {LoadCause::kUnsupported, "uses a codec this system's libheif cannot decode"};
  std::string text = error.message && *error.message ? error.message : "no reason given";
  return {LoadCause::kDamaged, std::string(what) + " (" + text + ")"};
}

LoadOutcome openFailure(Bytes bytes, const heif_error& error) {
  if (isSequence(bytes)) return kSequence;
  if (error.subcode == heif_suberror_No_ftyp_box || error.code == heif_error_Unsupported_filetype)
    return {LoadCause::kNotAnImage, "is not a HEIF file"};
  return libraryFailure("has a damaged HEIF container", error);
}

constexpr const char* kNotConverted = "has a HEIF image the decoder could not convert to RGB";

LoadOutcome copyImage(const heif_image* image, bool alpha, Picture& picture) {
  int stride = 0;
  const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  if (!plane || heif_image_get_width(image, heif_channel_interleaved) != picture.width ||
      heif_image_get_height(image, heif_channel_interleaved) != picture.height ||
      stride < picture.width * (alpha ? 4 : 3))
    return {LoadCause::kDecoderFailure, kNotConverted};
  for (std::int32_t y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = plane + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y);
    alpha ? putRgbaRow(row, picture, y) : putRgbRow(row, picture, y);
  }
  return {};
}

LoadOutcome decodePrimary(heif_context* ctx, gdi::HDC referenceDc, Picture& picture) {
  heif_image_handle* rawHandle = nullptr;
  heif_error error = heif_context_get_primary_image_handle(ctx, &rawHandle);
  std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
  if (error.code != heif_error_Ok) return libraryFailure("has no primary image", error);
  int width = heif_image_handle_get_width(handle.get()), height = heif_image_handle_get_height(handle.get());
  if (width <= 0 || height <= 0)
    return {LoadCause::kDamaged,
            "has an invalid size (" + std::to_string(width) + " x " + std::to_string(height) + ")"};
  if (std::uint64_t(width) * std::uint64_t(height) > kMaxPicturePixels)
    return tooLargeForMemory(width, height);
  bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  heif_image* rawImage = nullptr;
  error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
  std::unique_ptr<heif_image, ImageRelease> image(rawImage);
  if (error.code != heif_error_Ok) return libraryFailure("has a HEIF image that cannot be decoded", error);
  // The decoded size is the one after cropping and turning.
  width = heif_image_get_width(image.get(), heif_channel_interleaved);
  height = heif_image_get_height(image.get(), heif_channel_interleaved);
  if (width <= 0 || height <= 0) return {LoadCause::kDecoderFailure, kNotConverted};
  if (LoadOutcome failure = allocateDecodedPicture(picture, width, height, referenceDc); !failure.clean())
    return failure;
  LoadOutcome failure = copyImage(image.get(), alpha, picture);
  if (!failure.clean()) releasePicture(picture);
  return failure;
}

// The whole decode with libheif, in whichever process runs it.
LoadOutcome decodeHeif(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return {LoadCause::kTruncated, "is empty"};
  if (bytes.size() > INT32_MAX)
    return {LoadCause::kTooLargeForMemory,
            "is too large to read (" + std::to_string(bytes.size()) + " bytes)"};
  std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
  if (!ctx) return {LoadCause::kDecoderFailure, "cannot be decoded: the HEIF decoder could not start"};
  heif_context_set_maximum_image_size_limit(ctx.get(), kMaxHeifSide);
  heif_error error =
      heif_context_read_from_memory_without_copy(ctx.get(), bytes.data(), bytes.size(), nullptr);
  if (error.code != heif_error_Ok) return openFailure(bytes, error);
  LoadOutcome outcome = decodePrimary(ctx.get(), referenceDc, picture);
  if (picture.empty() && outcome.cause == LoadCause::kDamaged && isSequence(bytes)) return kSequence;
  return outcome;
}

// ---- The child: libheif and its codecs -----------------------------------------------------

// What the child tells the parent first: the decoded size, or why there is no picture (its
// cause, the reason's length, then its text).
struct ChildHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t reasonLength = 0;
  std::uint32_t alphaKept = 0;  // the rows hold premultiplied colours and their opacity
  std::int32_t cause = 0;
};

// The header, then every row top to bottom as the picture holds it (4 bytes a pixel). The child
// may hold the largest picture and the codecs' own buffers, and no more.
void decodeInChild(Bytes bytes, bool alphaWanted, int out) {
  limitChildMemory(4 * kMaxPicturePixels + kChildMemoryMargin);
  Picture picture;
  picture.alphaWanted = alphaWanted;
  LoadOutcome outcome = decodeHeif(bytes, nullptr, picture);
  ChildHeader header;
  if (picture.empty()) {
    if (outcome.clean()) outcome = {LoadCause::kDecoderFailure, "cannot be decoded"};
    header.cause = static_cast<std::int32_t>(outcome.cause);
    header.reasonLength = static_cast<std::uint32_t>(outcome.reason.size());
    writeToParent(out, &header, sizeof header);
    writeToParent(out, outcome.reason.data(), outcome.reason.size());
    return;
  }
  header.width = static_cast<std::uint32_t>(picture.width);
  header.height = static_cast<std::uint32_t>(picture.height);
  header.alphaKept = picture.alphaKept ? 1 : 0;
  if (!writeToParent(out, &header, sizeof header)) return;
  for (std::int32_t y = 0; y < picture.height; ++y)
    if (!writeToParent(out, pixelAt(picture, 0, y), std::size_t{4} * header.width)) return;
}

}  // namespace

LoadOutcome readHeifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return {LoadCause::kTruncated, "is empty"};
  // libheif is opened here, before the fork: the child never loads a library.
  if (std::string missing = lazy::heif().openFailure(); !missing.empty())
    return {LoadCause::kDecoderFailure, "cannot be decoded: " + missing};
  if (LoadOutcome missing = missingCodec(bytes); !missing.clean()) return missing;
  ForkedDecode child([bytes, wanted = picture.alphaWanted](int out) { decodeInChild(bytes, wanted, out); },
                     kBaseTimeLimit);
  ChildHeader header;
  const LoadOutcome childFailed{LoadCause::kDecoderFailure, "made the HEIF decoder fail"};
  if (!child.read(&header, sizeof header)) return childFailed;
  if (header.reasonLength > 0) {
    std::string reason(std::min<std::uint32_t>(header.reasonLength, 4096), '\0');
    if (!child.read(reason.data(), reason.size())) return childFailed;
    LoadCause cause = loadCauseOf(header.cause);
    return {cause == LoadCause::kNone ? LoadCause::kDecoderFailure : cause, reason};
  }
  if (LoadOutcome failure = allocateDecodedPicture(picture, header.width, header.height, referenceDc);
      !failure.clean())
    return failure;
  child.allowFor(std::uint64_t{header.width} * header.height);
  picture.alphaKept = picture.alphaWanted && header.alphaKept != 0;
  for (std::int32_t y = 0; y < picture.height; ++y) {
    if (!child.read(pixelAt(picture, 0, y), std::size_t{4} * header.width)) {
      releasePicture(picture);
      return {LoadCause::kDamaged, "is damaged: the HEIF decoder stopped"};
    }
  }
  return {};
}

}  // namespace corvale
