// lumivex-more.cfg: the text the program writes reads back as the same settings, unknown keys and
// unreadable values leave the defaults, and lumivex.cfg is not touched by it.
#include "batch/more_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "batch/settings.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

TEST(MoreSettings, RoundTripUnknownKeysAndTheFileBesideLumivexCfg) {
  MoreSettings changed{ProfileMode::ConvertToSrgb, true, true, true, 1572864};
  MoreSettings read;
  ParseMoreSettings(FormatMoreSettings(changed), read);
  EXPECT_EQ(read.profile, ProfileMode::ConvertToSrgb);
  EXPECT_TRUE(read.stripLocation && read.keepDate && read.shrinkOnly);

  MoreSettings odd;
  ParseMoreSettings("future-key = 7\nprofile = purple\n  keep-date=yes # comment\nshrink-only\n", odd);
  EXPECT_EQ(odd.profile, ProfileMode::Keep);
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

}  // namespace
}  // namespace lumivex
