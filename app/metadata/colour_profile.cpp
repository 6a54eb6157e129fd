// Conversion of 32-bit BGRX pixels from an embedded ICC profile to sRGB with Little CMS 2.
#include "metadata/colour_profile.h"

#include <lcms2.h>

#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

namespace lumivex {
namespace {

struct ContextDeleter {
  void operator()(cmsContext context) const { cmsDeleteContext(context); }
};
struct ProfileDeleter {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
  void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Context = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextDeleter>;
using Profile = std::unique_ptr<void, ProfileDeleter>;
using Transform = std::unique_ptr<void, TransformDeleter>;

// Little CMS reports why it refused through the context's log handler; the text is kept in the
// string the context's user data points at, so the caller's reason names the real cause.
void keepLibraryMessage(cmsContext context, cmsUInt32Number, const char* text) {
  auto* message = static_cast<std::string*>(cmsGetContextUserData(context));
  if (message && message->empty() && text) *message = text;
}

std::string withDetail(const std::string& reason, const std::string& detail) {
  return detail.empty() ? reason : reason + " (" + detail + ")";
}

bool sizesMatch(std::span<std::uint8_t> pixels, std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return false;
  std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * 4;
  return bytes <= pixels.size();
}

// One row at a time through a row buffer: the fourth byte is copied through unchanged
// (cmsFLAGS_COPY_ALPHA), and no assumption is made about converting a buffer onto itself.
void transformRows(cmsHTRANSFORM transform, std::span<std::uint8_t> pixels, std::int32_t width,
                   std::int32_t height) {
  std::size_t rowBytes = std::size_t(width) * 4;
  std::vector<std::uint8_t> row(rowBytes);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* line = pixels.data() + std::size_t(y) * rowBytes;
    cmsDoTransform(transform, line, row.data(), static_cast<cmsUInt32Number>(width));
    std::copy(row.begin(), row.end(), line);
  }
}

}  // namespace

bool ConvertPixelsToSrgb(std::span<const std::uint8_t> iccProfile, std::span<std::uint8_t> pixels,
                         std::int32_t width, std::int32_t height, std::string& reason) {
  if (!sizesMatch(pixels, width, height)) {
    reason = "the picture's size does not match its pixels";
    return false;
  }
  if (iccProfile.size() > 0xFFFFFFFFu) {
    reason = "the embedded colour profile is too large";
    return false;
  }
  std::string libraryMessage;
  Context context(cmsCreateContext(nullptr, &libraryMessage));
  if (!context) {
    reason = "the colour management library could not start";
    return false;
  }
  cmsSetLogErrorHandlerTHR(context.get(), keepLibraryMessage);
  Profile source(cmsOpenProfileFromMemTHR(context.get(), iccProfile.data(),
                                          static_cast<cmsUInt32Number>(iccProfile.size())));
  if (!source) {
    reason = withDetail("the embedded colour profile cannot be read", libraryMessage);
    return false;
  }
  if (cmsGetColorSpace(source.get()) != cmsSigRgbData) {
    reason = "the embedded colour profile does not describe RGB colours";
    return false;
  }
  Profile srgb(cmsCreate_sRGBProfileTHR(context.get()));
  Transform transform(srgb ? cmsCreateTransformTHR(context.get(), source.get(), TYPE_BGRA_8, srgb.get(),
                                                   TYPE_BGRA_8, INTENT_PERCEPTUAL, cmsFLAGS_COPY_ALPHA)
                           : nullptr);
  if (!transform) {
    reason = withDetail("no conversion from the embedded colour profile to sRGB", libraryMessage);
    return false;
  }
  transformRows(transform.get(), pixels, width, height);
  return true;
}

}  // namespace lumivex
