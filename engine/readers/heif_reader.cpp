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
#include <fcntl.h>
#include <libheif/heif.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>

#include "readers/file_bytes.h"
#include "readers/readers.h"
#include "readers/rgba_rows.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define HEIF_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define HEIF_SANITIZED_BUILD 1
#endif
#endif
#ifndef HEIF_SANITIZED_BUILD
#define HEIF_SANITIZED_BUILD 0
#endif

namespace corvale {

namespace {

constexpr std::uint64_t kMaxHeifFileBytes = std::uint64_t{1} << 31;
// libheif refuses images of more than this squared pixels, just above kMaxPicturePixels.
constexpr int kMaxHeifSide = 23171;

constexpr bool kSanitizedBuild = HEIF_SANITIZED_BUILD;
using Clock = std::chrono::steady_clock;
// Time for the child to parse and decode, plus a second per two million pixels to hand them over.
constexpr auto kBaseTimeLimit = std::chrono::seconds(30);
constexpr std::uint64_t kPixelsPerExtraSecond = 2'000'000;
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
std::string missingCodec(Bytes bytes) {
  if (isAvif(bytes)) {
    if (!heif_have_decoder_for_format(heif_compression_AV1))
      return "is an AVIF file, and this system's libheif has no AV1 decoder";
  } else if (!heif_have_decoder_for_format(heif_compression_HEVC)) {
    return "is a HEIC file, and this system's libheif has no HEVC decoder";
  }
  return {};
}

std::string libraryFailure(const char* what, const heif_error& error) {
  if (error.code == heif_error_Invalid_input && error.subcode == heif_suberror_End_of_data)
    return "is cut short";
  std::string text = error.message && *error.message ? error.message : "no reason given";
  return std::string(what) + " (" + text + ")";
}

std::string openFailure(const heif_error& error) {
  if (error.subcode == heif_suberror_No_ftyp_box || error.code == heif_error_Unsupported_filetype)
    return "is not a HEIF file";
  return libraryFailure("has a damaged HEIF container", error);
}

std::string copyImage(const heif_image* image, bool alpha, Picture& picture) {
  int stride = 0;
  const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  if (!plane || heif_image_get_width(image, heif_channel_interleaved) != picture.width ||
      heif_image_get_height(image, heif_channel_interleaved) != picture.height ||
      stride < picture.width * (alpha ? 4 : 3))
    return "has a HEIF image the decoder could not convert to RGB";
  for (std::int32_t y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = plane + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y);
    alpha ? putRgbaRow(row, picture, y) : putRgbRow(row, picture, y);
  }
  return {};
}

std::string decodePrimary(heif_context* ctx, gdi::HDC referenceDc, Picture& picture) {
  heif_image_handle* rawHandle = nullptr;
  heif_error error = heif_context_get_primary_image_handle(ctx, &rawHandle);
  std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
  if (error.code != heif_error_Ok) return libraryFailure("has no primary image", error);
  int width = heif_image_handle_get_width(handle.get()), height = heif_image_handle_get_height(handle.get());
  if (width <= 0 || height <= 0)
    return "has an invalid size (" + std::to_string(width) + " x " + std::to_string(height) + ")";
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
  if (width <= 0 || height <= 0) return "has a HEIF image the decoder could not convert to RGB";
  if (std::string failure = allocateDecodedPicture(picture, width, height, referenceDc); !failure.empty())
    return failure;
  std::string failure = copyImage(image.get(), alpha, picture);
  if (!failure.empty()) releasePicture(picture);
  return failure;
}

// The whole decode with libheif, in whichever process runs it.
std::string decodeHeif(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return "is empty";
  if (bytes.size() > INT32_MAX) return "is too large to read (" + std::to_string(bytes.size()) + " bytes)";
  std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
  if (!ctx) return "cannot be decoded: the HEIF decoder could not start";
  heif_context_set_maximum_image_size_limit(ctx.get(), kMaxHeifSide);
  heif_error error =
      heif_context_read_from_memory_without_copy(ctx.get(), bytes.data(), bytes.size(), nullptr);
  if (error.code != heif_error_Ok) return openFailure(error);
  return decodePrimary(ctx.get(), referenceDc, picture);
}

// ---- The child: libheif and its codecs -----------------------------------------------------

bool writeAll(int fd, const void* data, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (count > 0) {
    ssize_t n = write(fd, p, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n, count -= static_cast<std::size_t>(n);
  }
  return true;
}

// What the child tells the parent first: the decoded size, or why there is no picture (the
// reason's length, then its text).
struct ChildHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t reasonLength = 0;
};

// The pixel buffer the child may hold, plus room for the codecs, and no more. Address-space
// limits cannot be used under the sanitizers, which reserve terabytes of shadow memory up front.
void limitChildMemory() {
  if (kSanitizedBuild) return;
  unsigned long pages = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max =
      pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) + 4 * kMaxPicturePixels + kChildMemoryMargin;
  setrlimit(RLIMIT_AS, &limit);
}

// Only the pipe stays open, the codecs' messages go nowhere, and a crash ends the child at once
// instead of running the parent's handlers (a fuzzer's, a sanitizer's).
void isolateChild(int& out) {
  for (int fatal : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL, SIGPIPE}) ::signal(fatal, SIG_DFL);
  int null = open("/dev/null", O_RDWR);
  if (null >= 0) dup2(null, STDOUT_FILENO), dup2(null, STDERR_FILENO);
  if (dup2(out, 3) == 3) out = 3;
  close_range(4, ~0u, 0);
}

// The header, then every row top to bottom as the picture holds it (4 bytes a pixel).
[[noreturn]] void runChild(Bytes bytes, int out) {
  isolateChild(out);
  limitChildMemory();
  Picture picture;
  std::string reason = decodeHeif(bytes, nullptr, picture);
  ChildHeader header;
  if (picture.empty()) {
    if (reason.empty()) reason = "cannot be decoded";
    header.reasonLength = static_cast<std::uint32_t>(reason.size());
    writeAll(out, &header, sizeof header);
    writeAll(out, reason.data(), reason.size());
    _exit(1);
  }
  header.width = static_cast<std::uint32_t>(picture.width);
  header.height = static_cast<std::uint32_t>(picture.height);
  if (!writeAll(out, &header, sizeof header)) _exit(1);
  for (std::int32_t y = 0; y < picture.height; ++y)
    if (!writeAll(out, pixelAt(picture, 0, y), std::size_t{4} * header.width)) _exit(1);
  _exit(0);
}

// ---- The parent: the child's process and its pipe --------------------------------------------

class ChildDecode {
 public:
  explicit ChildDecode(Bytes bytes) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      runChild(bytes, fds[1]);
    }
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return;
    }
    in_ = fds[0];
    deadline_ = Clock::now() + kBaseTimeLimit;
  }

  // The child is stopped whatever it is doing: everything it had to give has been read.
  ~ChildDecode() {
    if (in_ >= 0) close(in_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }
  ChildDecode(const ChildDecode&) = delete;
  ChildDecode& operator=(const ChildDecode&) = delete;

  void allowFor(std::uint64_t pixels) { deadline_ += std::chrono::seconds(pixels / kPixelsPerExtraSecond); }

  // Exactly `count` bytes, or false when the child ends, fails or runs out of time first.
  bool read(void* data, std::size_t count) {
    auto* p = static_cast<std::uint8_t*>(data);
    while (count > 0) {
      if (!waitForData()) return false;
      ssize_t n = ::read(in_, p, count);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n, count -= static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  bool waitForData() {
    while (in_ >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
      if (left <= 0) return false;
      pollfd p{in_, POLLIN, 0};
      int ready = poll(&p, 1, static_cast<int>(std::min<long long>(left, 60'000)));
      if (ready > 0) return true;
      if (ready < 0 && errno != EINTR) return false;
    }
    return false;
  }

  pid_t pid_ = -1;
  int in_ = -1;
  Clock::time_point deadline_;
};

}  // namespace

std::string readHeifBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return "is empty";
  if (std::string missing = missingCodec(bytes); !missing.empty()) return missing;
  ChildDecode child(bytes);
  ChildHeader header;
  if (!child.read(&header, sizeof header)) return "made the HEIF decoder fail";
  if (header.reasonLength > 0) {
    std::string reason(std::min<std::uint32_t>(header.reasonLength, 4096), '\0');
    return child.read(reason.data(), reason.size()) ? reason : "made the HEIF decoder fail";
  }
  if (std::string failure = allocateDecodedPicture(picture, header.width, header.height, referenceDc);
      !failure.empty())
    return failure;
  child.allowFor(std::uint64_t{header.width} * header.height);
  for (std::int32_t y = 0; y < picture.height; ++y) {
    if (!child.read(pixelAt(picture, 0, y), std::size_t{4} * header.width)) {
      releasePicture(picture);
      return "is damaged: the HEIF decoder stopped";
    }
  }
  return {};
}

std::string readHeifFile(const char* path, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  FileBytes file = readFileBytes(path, kMaxHeifFileBytes);
  if (!file.failure.empty()) return file.failure;
  return readHeifBytes(file.bytes, referenceDc, picture);
}

}  // namespace corvale
