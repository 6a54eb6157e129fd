// What the terminal sees of `lumivex --batch`: sizes only in their documented forms, options
// wherever they stand, each photo's lines once with its place in the run, names escaped, a damaged
// settings file named, and no settings file written.
#include <gtest/gtest.h>

#include "cli_run.h"

namespace {

using namespace cli_testing;
using lumivex::PictureSize;
using testing_support::jpegSize;

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(CliTest, SloppySizesAreUsageErrorsThatNameTheForms) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  for (const char* size : {"800x6OO", "fooxbar", "1e3x5", "800x600px", "800x600x400", "8 0 0x600"}) {
    Result result = run({"--batch", "--same-folder", "--size", size, a});
    EXPECT_EQ(result.status, 2) << size;
    EXPECT_NE(result.err.find("WxH, Wx, xH, N%"), std::string::npos) << result.err;
  }
  EXPECT_EQ(filesBelow(in()), (std::vector<std::string>{"a.jpg"}));
  // A short option's value may follow it at once.
  EXPECT_EQ(run({"--batch", "--same-folder", "-s160x160", a}).status, 0);
  EXPECT_EQ(jpegSize((in() / "a_160x120.jpg").string()), (PictureSize{160, 120}));
}

TEST_F(CliTest, BatchAndHelpCountAnywhereAndTheWindowRefusesBatchOptions) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  EXPECT_EQ(run({"-s", "160x160", "--same-folder", "--batch", a}).status, 0);
  EXPECT_TRUE(fs::exists(in() / "a_160x120.jpg"));
  Result help = run({a, "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: lumivex"), std::string::npos);
  // Without --batch the window would open with its saved settings: the program says so instead.
  Result window = run({"-platform", "offscreen", "--quality", "20", "--size", "640x480", a});
  EXPECT_EQ(window.status, 2);
  EXPECT_NE(window.err.find("--quality applies only with --batch"), std::string::npos) << window.err;
}

TEST_F(CliTest, EachFailureIsPrintedOnceWithItsPlaceAndEscapedName) {
  std::string name = "bad\x1b[31m\nname.jpg";
  testing_support::writeBytes((in() / name).string(), {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02});
  testing_support::writeBytes((in() / "worse.jpg").string(), {0x00});
  Result result = run({"--batch", "--same-folder", "-s", "160x160", (in() / name).string(), "in/worse.jpg"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(occurrences(result.err, "worse.jpg"), 1u) << result.err;
  EXPECT_NE(result.err.find("[2/2] not resized: " + in().string() + "/worse.jpg: "), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("[1/2] not resized: " + in().string() + "/bad\\x1b[31m\\x0aname.jpg: "),
            std::string::npos)
      << result.err;
  EXPECT_EQ(result.err.find('\x1b'), std::string::npos);
  EXPECT_NE(result.out.find("[1/2] Resizing bad\\x1b[31m\\x0aname.jpg..."), std::string::npos) << result.out;
}

TEST_F(CliTest, ADamagedSettingsFileIsNamedAndTheDefaultsAreUsed) {
  testing_support::writeBytes((config() / "lumivex.cfg").string(),
                              {'"', 0x1b, '[', '2', 'J', '"', 0x00, '\n'});
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  Result result = run({"--batch", "--same-folder", a});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find((config() / "lumivex.cfg").string() + " is damaged"), std::string::npos)
      << result.err;
  EXPECT_EQ(result.err.find('\x1b'), std::string::npos);
  EXPECT_TRUE(fs::exists(in() / "a_800x600.jpg"));  // the default size
}

TEST_F(CliTest, ARunWithoutAWindowWritesNoSettingsFile) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  ASSERT_EQ(run({"--batch", "--same-folder", "-s", "160x160", a}).status, 0);
  EXPECT_TRUE(fs::is_empty(config()));
}

}  // namespace
