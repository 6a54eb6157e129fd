// The settings that lumivex.cfg has no record for. lumivex.cfg keeps its thirteen records exactly,
// since other programs and older versions read it; these live beside it in lumivex-more.cfg, a
// readable text of "key = value" lines, created with the defaults when missing. Unknown keys and
// values that cannot be read are ignored (the default stays), so a newer file works with an older
// program and the other way round. Both front ends read and write it. ProfileMode and its
// keywords live with the other modes (setting_modes.h); the size limit's texts in
// file_size_limit.h, which this header brings along for the command line.
#pragma once

#include <cstdint>
#include <string>

#include "settings/file_size_limit.h"
#include "settings/output_format.h"
#include "settings/setting_modes.h"

namespace lumivex {

struct MoreSettings {
  ProfileMode profile = ProfileMode::Keep;  // "profile = keep | srgb | strip"
  bool stripLocation = false;               // "strip-location = yes | no": no GPS data in copies
  bool keepDate = false;                    // "keep-date": the output gets the source's time
  bool shrinkOnly = false;                  // "shrink-only": a photo within the target keeps its size
  std::int64_t maxFileBytes = 0;  // "max-size = 300k": each output at most this many bytes; 0 for no limit
  OutputFormat format;            // "format = jpeg | png | ... | same"
  bool lossless = false;          // "lossless = yes | no": WebP, AVIF and JPEG XL without loss
};

extern MoreSettings moreSettings;

inline constexpr const char* kMoreSettingsFileName = "lumivex-more.cfg";

std::string FormatMoreSettings(const MoreSettings& values);
void ParseMoreSettings(const std::string& text, MoreSettings& values);

// Reads lumivex-more.cfg into moreSettings (defaults first); a missing file leaves the defaults
// and is not created.
void LoadMoreSettings();
bool SaveMoreSettings();

}  // namespace lumivex
