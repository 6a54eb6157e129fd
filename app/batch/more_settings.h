// The settings that lumivex.cfg has no record for. lumivex.cfg keeps its thirteen records exactly,
// since other programs and older versions read it; these live beside it in lumivex-more.cfg, a
// readable text of "key = value" lines, created with the defaults when missing. Unknown keys and
// values that cannot be read are ignored (the default stays), so a newer file works with an older
// program and the other way round. Both front ends read and write it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lumivex {

// What happens to the source's colour profile.
enum class ProfileMode { Keep, ConvertToSrgb, Strip };

struct MoreSettings {
  ProfileMode profile = ProfileMode::Keep;  // "profile = keep | srgb | strip"
  bool stripLocation = false;               // "strip-location = yes | no": no GPS data in copies
  bool keepDate = false;                    // "keep-date": the output gets the source's time
  bool shrinkOnly = false;                  // "shrink-only": a photo within the target keeps its size
  std::int64_t maxFileBytes = 0;            // "max-size = 300k": the largest output file; 0 none
};

extern MoreSettings moreSettings;

inline constexpr const char* kMoreSettingsFileName = "lumivex-more.cfg";

std::string FormatMoreSettings(const MoreSettings& values);
void ParseMoreSettings(const std::string& text, MoreSettings& values);

// The keyword of a profile mode, and the mode of a keyword (none for an unknown one).
const char* ProfileModeName(ProfileMode mode);
bool ProfileModeFromName(const std::string& name, ProfileMode& mode);

// A file size as people write it, in bytes: "300k" (a kilobyte is 1024 bytes), "1.5m" (1024
// kilobytes), "250000", "0" or "none" (no limit). None for any other text.
std::optional<std::int64_t> ParseFileSizeLimit(const std::string& text);

// The limit for messages: "300 KB", "1.5 MB", "500 bytes"; "no limit" for 0.
std::string FileSizeLimitText(std::int64_t bytes);

// Reads lumivex-more.cfg into moreSettings (defaults first); writes the file with the defaults
// when there is none yet.
void LoadMoreSettings();
bool SaveMoreSettings();

}  // namespace lumivex
