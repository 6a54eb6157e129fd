// lumivex-more.cfg: the text the program writes reads back as the same settings, unknown keys and
// unreadable values leave the defaults, and lumivex.cfg is not touched by it. Also the file size
// limit's texts and the modes' keywords.
#include "settings/more_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "settings/settings.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

TEST(MoreSettings, RoundTripUnknownKeysAndTheFileBesideLumivexCfg) {
  MoreSettings changed{ProfileMode::ConvertToSrgb, true, true, true, 1572864, {}, false};
  MoreSettings read;
  ParseMoreSettings(FormatMoreSettings(changed), read);
  EXPECT_EQ(read.profile, ProfileMode::ConvertToSrgb);
  EXPECT_TRUE(read.stripLocation && read.keepDate && read.shrinkOnly);
  EXPECT_EQ(read.maxFileBytes, 1572864);
  EXPECT_NE(FormatMoreSettings(changed).find("\nmax-size = 1.5m\n"), std::string::npos);

  MoreSettings odd;
  odd.maxFileBytes = 4096;
  ParseMoreSettings(
      "future-key = 7\nprofile = purple\n  keep-date=yes # comment\nshrink-only\nmax-size = -3k\n", odd);
  EXPECT_EQ(odd.profile, ProfileMode::Keep);
  EXPECT_EQ(odd.maxFileBytes, 4096);
  EXPECT_TRUE(odd.keepDate);
  EXPECT_FALSE(odd.shrinkOnly);

  testing_support::TempDir dir;
  setenv("LUMIVEX_CONFIG_DIR", dir.path().c_str(), 1);
  const std::vector<std::uint8_t> cfg = {'"', '8', '0', '0', 'x', '6', '0', '0', '"', '\r', '\n'};
  testing_support::writeBytes(dir.file("lumivex.cfg"), cfg);
  LoadMoreSettings();  // creates the file with the defaults
  EXPECT_EQ(moreSettings.profile, ProfileMode::Keep);
  moreSettings.stripLocation = true;
  ASSERT_TRUE(SaveMoreSettings());
  moreSettings = MoreSettings{};
  LoadMoreSettings();
  EXPECT_TRUE(moreSettings.stripLocation);
  EXPECT_EQ(testing_support::readBytes(dir.file("lumivex.cfg")), cfg);
  moreSettings = MoreSettings{};
  unsetenv("LUMIVEX_CONFIG_DIR");
}

// The limit as people type it, as lumivex-more.cfg writes it (read back to the byte) and as
// messages show it.
TEST(FileSizeLimit, ReadWrittenAndShown) {
  const std::pair<const char*, std::int64_t> accepted[] = {{"300k", 307200},
                                                           {"300K", 307200},
                                                           {" 300 KB ", 307200},
                                                           {"1.5m", 1572864},
                                                           {"2M", 2097152},
                                                           {"250000", 250000},
                                                           {"0", 0},
                                                           {"none", 0},
                                                           {"None", 0},
                                                           {"1.5k", 1536},
                                                           {"0.5KiB", 512},
                                                           {"1048576m", std::int64_t{1} << 40},
                                                           {"1", 1},
                                                           {"007k", 7168},
                                                           {"2.0005k", 2049},
                                                           {"1,5 MB", 1572864},
                                                           {"1,5m", 1572864}};
  for (auto [text, bytes] : accepted) EXPECT_EQ(ParseFileSizeLimit(text), bytes) << text;
  for (const char* text : {"",
                           "  ",
                           "-1",
                           "-300k",
                           "+5k",
                           "abc",
                           "300x",
                           "300 kk",
                           "k",
                           ".5m",
                           "1.2.3k",
                           "1e3",
                           "0x10",
                           "1.5",
                           "1048577m",
                           "2000000000000",
                           "99999999999999999999999999",
                           "inf",
                           "nan",
                           "0.0001k",
                           "300k5"})
    EXPECT_FALSE(ParseFileSizeLimit(text).has_value()) << text;

  for (std::int64_t bytes :
       {std::int64_t{0}, std::int64_t{1}, std::int64_t{1000}, std::int64_t{1024}, std::int64_t{1536},
        std::int64_t{250000}, std::int64_t{307200}, std::int64_t{1572864}, std::int64_t{1310720},
        std::int64_t{1179648}, std::int64_t{1} << 40})
    EXPECT_EQ(ParseFileSizeLimit(FileSizeLimitSetting(bytes)), bytes) << FileSizeLimitSetting(bytes);
  EXPECT_EQ(FileSizeLimitSetting(307200), "300k");
  EXPECT_EQ(FileSizeLimitSetting(1572864), "1.5m");
  EXPECT_EQ(FileSizeLimitSetting(1310720), "1.25m");
  EXPECT_EQ(FileSizeLimitSetting(250000), "250000");
  EXPECT_EQ(FileSizeLimitSetting(0), "0");

  EXPECT_EQ(FileSizeLimitText(307200), "300 KB");
  EXPECT_EQ(FileSizeLimitText(1572864), "1.5 MB");
  EXPECT_EQ(FileSizeLimitText(250000), "244.1 KB");
  EXPECT_EQ(FileSizeLimitText(2048), "2 KB");
  EXPECT_EQ(FileSizeLimitText(500), "500 bytes");
  EXPECT_EQ(FileSizeLimitText(std::int64_t{2} << 30), "2 GB");
  EXPECT_EQ(FileSizeLimitText(0), "no limit");
}

// Every mode's keyword reads back as the mode; the three modes of lumivex.cfg also take the number
// the file stores, and nothing else.
TEST(SettingModes, KeywordsAndStoredNumbers) {
  RotationMode rotation = RotationMode::None;
  EXPECT_TRUE(RotationModeFromName("landscape", rotation));
  EXPECT_EQ(rotation, RotationMode::ToLandscape);
  EXPECT_TRUE(RotationModeFromName("1", rotation));
  EXPECT_EQ(rotation, RotationMode::ByExif);
  for (const char* refused : {"3", "-1", "01", "Exif", " exif", ""})
    EXPECT_FALSE(RotationModeFromName(refused, rotation)) << refused;
  EXPECT_EQ(rotation, RotationMode::ByExif);

  for (OverwriteMode mode : {OverwriteMode::Ask, OverwriteMode::Never, OverwriteMode::Always}) {
    OverwriteMode read{};
    EXPECT_TRUE(OverwriteModeFromName(OverwriteModeName(mode), read) && read == mode);
    EXPECT_TRUE(OverwriteModeFromName(std::to_string(ModeNumber(mode)), read) && read == mode);
  }
  EXPECT_STREQ(OverwriteModeName(OverwriteMode::Never), "never");
  DestinationMode destination{};
  EXPECT_TRUE(DestinationModeFromName("same", destination));
  EXPECT_EQ(ModeNumber(destination), 0);
  EXPECT_TRUE(DestinationModeFromName("fixed", destination));
  EXPECT_EQ(ModeNumber(destination), 2);
  EXPECT_STREQ(DestinationModeName(static_cast<DestinationMode>(7)), "");
  ProfileMode profile = ProfileMode::Keep;
  EXPECT_FALSE(ProfileModeFromName("1", profile));
  EXPECT_TRUE(ProfileModeFromName("srgb", profile));
  EXPECT_EQ(profile, ProfileMode::ConvertToSrgb);
}

}  // namespace
}  // namespace lumivex
