// Conversion of 32-bit BGRX pixels from an embedded ICC profile to sRGB with Little CMS 2.
#include "metadata/colour_profile.h"

#include <lcms2.h>

#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "utilities/premultiplied_colour.h"

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

// Grey and CMYK pixels give three colour bytes into a row of their own; the fourth byte becomes 0,
// as in every picture the readers make.
void transformRowsToBgr(cmsHTRANSFORM transform, std::span<std::uint8_t> pixels, std::int32_t width,
                        std::int32_t height) {
  std::size_t rowBytes = std::size_t(width) * 4;
  std::vector<std::uint8_t> row(std::size_t(width) * 3);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* line = pixels.data() + std::size_t(y) * rowBytes;
    cmsDoTransform(transform, line, row.data(), static_cast<cmsUInt32Number>(width));
    for (std::int32_t x = 0; x < width; ++x) {
      std::copy_n(row.data() + std::size_t(x) * 3, 3, line + std::size_t(x) * 4);
      line[std::size_t(x) * 4 + 3] = 0;
    }
  }
}

// The layouts of the picture's four bytes that each profile's colours arrive in.
constexpr cmsUInt32Number kGreyInFourBytes =
    COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(3);

cmsHTRANSFORM createTransform(cmsContext context, cmsHPROFILE source, cmsHPROFILE srgb) {
  switch (cmsGetColorSpace(source)) {
    case cmsSigRgbData:
      return cmsCreateTransformTHR(context, source, TYPE_BGRA_8, srgb, TYPE_BGRA_8, INTENT_PERCEPTUAL,
                                   cmsFLAGS_COPY_ALPHA);
    case cmsSigGrayData:
      return cmsCreateTransformTHR(context, source, kGreyInFourBytes, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    case cmsSigCmykData:
      return cmsCreateTransformTHR(context, source, TYPE_CMYK_8_REV, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    default:
      return nullptr;
  }
}

constexpr std::size_t kColourSpaceAt = 16;  // the profile header's data colour space signature

}  // namespace

ProfileSpace ProfileSpaceOf(std::span<const std::uint8_t> iccProfile) {
  if (iccProfile.size() < 128) return ProfileSpace::Other;
  auto at = iccProfile.begin() + kColourSpaceAt;
  auto is = [&](const char* signature) { return std::equal(signature, signature + 4, at); };
  if (is("RGB ")) return ProfileSpace::Rgb;
  if (is("GRAY")) return ProfileSpace::Grey;
  if (is("CMYK")) return ProfileSpace::Cmyk;
  return ProfileSpace::Other;
}

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
  cmsColorSpaceSignature space = cmsGetColorSpace(source.get());
  if (space != cmsSigRgbData && space != cmsSigGrayData && space != cmsSigCmykData) {
    reason = "the embedded colour profile describes neither RGB, grey nor CMYK colours";
    return false;
  }
  Profile srgb(cmsCreate_sRGBProfileTHR(context.get()));
  Transform transform(srgb ? createTransform(context.get(), source.get(), srgb.get()) : nullptr);
  if (!transform) {
    reason = withDetail("no conversion from the embedded colour profile to sRGB", libraryMessage);
    return false;
  }
  if (space == cmsSigRgbData)
    transformRows(transform.get(), pixels, width, height);
  else
    transformRowsToBgr(transform.get(), pixels, width, height);
  return true;
}

// The profile describes straight colours, so the conversion works on a straight copy. The
// opacities are never converted: the RGB transform copies them through, but the grey one writes
// 0 in their place, so they are read back from the untouched pixels.
bool ConvertPremultipliedToSrgb(std::span<const std::uint8_t> iccProfile, std::span<std::uint8_t> pixels,
                                std::int32_t width, std::int32_t height, std::string& reason) {
  if (!sizesMatch(pixels, width, height)) {
    reason = "the picture's size does not match its pixels";
    return false;
  }
  const std::size_t bytes = std::size_t(width) * std::size_t(height) * 4;
  std::vector<std::uint8_t> straight(bytes);
  for (std::size_t i = 0; i < bytes; i += 4) {
    const std::uint32_t alpha = pixels[i + 3];
    for (std::size_t c = 0; c < 3; ++c) straight[i + c] = StraightColour(pixels[i + c], alpha);
    straight[i + 3] = pixels[i + 3];
  }
  if (!ConvertPixelsToSrgb(iccProfile, straight, width, height, reason)) return false;
  for (std::size_t i = 0; i < bytes; i += 4) {
    const std::uint32_t alpha = pixels[i + 3];
    for (std::size_t c = 0; c < 3; ++c) pixels[i + c] = PremultipliedColour(straight[i + c], alpha);
  }
  return true;
}

void InksToRgbWithoutProfile(std::span<std::uint8_t> pixels, std::int32_t width, std::int32_t height) {
  if (!sizesMatch(pixels, width, height)) return;
  std::size_t count = std::size_t(width) * std::size_t(height);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* p = pixels.data() + i * 4;
    unsigned c = p[0], m = p[1], y = p[2], k = p[3];
    p[0] = static_cast<std::uint8_t>(y * k / 255);
    p[1] = static_cast<std::uint8_t>(m * k / 255);
    p[2] = static_cast<std::uint8_t>(c * k / 255);
    p[3] = 0;
  }
}

}  // namespace lumivex
