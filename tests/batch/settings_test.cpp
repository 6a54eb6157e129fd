// The settings store: defaults, lumivex.cfg written byte for byte and read record by record,
// resolutions.cfg, and saving that never loses the previous file.
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "settings/settings_file.h"
#include "settings/settings_normalise.h"
#include "utilities/utilities.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
std::string textOf(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// Every test works in a configuration folder of its own, named by the environment.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("LUMIVEX_CONFIG_DIR")) previous_ = old;
    setenv("LUMIVEX_CONFIG_DIR", dir.path().c_str(), 1);
  }
  void TearDown() override {
    if (previous_)
      setenv("LUMIVEX_CONFIG_DIR", previous_->c_str(), 1);
    else
      unsetenv("LUMIVEX_CONFIG_DIR");
    settings = Settings{};
  }
  std::string cfg() const { return dir.file("lumivex.cfg"); }
  void writeCfg(const std::string& text) { writeBytes(cfg(), bytesOf(text)); }
  void loadWithCfg(const std::string& text) {
    writeCfg(text);
    LoadDefaults();
    LoadSettings();
  }

  TempDir dir;

 private:
  std::optional<std::string> previous_;
};

std::string defaultFileText() {
  return "\"800x600\"\r\n2\r\n88\r\n0\r\n\"resized\"\r\n#TRUE#\r\n#FALSE#\r\n\"%SRC%_%DSTX%x%DSTY%\"\r\n#"
         "FALSE#\r\n"
         "0\r\n0\r\n1\r\n\"" +
         HomeFolder() + "\"\r\n";
}

// A value of every setting unlike its default, to see each record land in its own setting.
Settings unusualSettings() {
  Settings s;
  s.ResolutionText = "50%";
  s.ResizeQuality = 3;
  s.JpegQuality = 95;
  s.SubfolderName = "out_%WIDTH%";
  s.CopyExif = false;
  s.AlwaysOnTop = true;
  s.OutputFilenamePattern = "img_%N4%";
  s.AutoCrop = true;
  s.RotationMode = RotationMode::ByExif;
  s.OverwriteMode = OverwriteMode::Always;
  s.DestinationMode = DestinationMode::FixedFolder;
  s.FixedFolder = "/srv/photos, resized/%SUBDIR%";
  return s;
}

void expectSameStoredSettings(const Settings& a, const Settings& b) {
  EXPECT_EQ(a.ResolutionText, b.ResolutionText);
  EXPECT_EQ(a.ResizeQuality, b.ResizeQuality);
  EXPECT_EQ(a.JpegQuality, b.JpegQuality);
  EXPECT_EQ(a.SubfolderName, b.SubfolderName);
  EXPECT_EQ(a.CopyExif, b.CopyExif);
  EXPECT_EQ(a.AlwaysOnTop, b.AlwaysOnTop);
  EXPECT_EQ(a.OutputFilenamePattern, b.OutputFilenamePattern);
  EXPECT_EQ(a.AutoCrop, b.AutoCrop);
  EXPECT_EQ(a.RotationMode, b.RotationMode);
  EXPECT_EQ(a.OverwriteMode, b.OverwriteMode);
  EXPECT_EQ(a.DestinationMode, b.DestinationMode);
  EXPECT_EQ(a.FixedFolder, b.FixedFolder);
}

Settings defaultsWithHome() {
  Settings s;
  s.FixedFolder = HomeFolder();
  return s;
}

TEST_F(SettingsTest, DefaultsWithoutAnyFile) {
  settings.JpegQuality = 10;
  LoadDefaults();
  LoadSettings();
  expectSameStoredSettings(settings, defaultsWithHome());
  EXPECT_EQ(settings.ResolutionItems, BuiltInResolutions());
  ASSERT_EQ(settings.ResolutionItems.size(), 9u);
  EXPECT_EQ(settings.ResolutionItems.front(), "320x240");
  EXPECT_EQ(settings.ResolutionItems.back(), "1600x1200");
  EXPECT_EQ(settings.FixedFolder.back(), '/');
}

TEST_F(SettingsTest, DefaultFileByteForByte) {
  LoadDefaults();
  LoadSettings();
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(textOf(readBytes(cfg())), defaultFileText());
}

TEST_F(SettingsTest, SavedSettingsReadBackAndCounterIsNotStored) {
  LoadDefaults();
  Settings unusual = unusualSettings();
  unusual.ResolutionItems = settings.ResolutionItems;
  settings = unusual;
  ASSERT_TRUE(SaveSettings());
  LoadDefaults();
  LoadSettings();
  expectSameStoredSettings(settings, unusualSettings());
}

TEST_F(SettingsTest, ThreeLinesSetOnlyTheFirstThree) {
  loadWithCfg("\"1024x768\"\r\n3\r\n75\r\n");
  Settings expected = defaultsWithHome();
  expected.ResolutionText = "1024x768";
  expected.ResizeQuality = 3;
  expected.JpegQuality = 75;
  expectSameStoredSettings(settings, expected);
}

TEST_F(SettingsTest, TextWhereANumberBelongsEndsTheReading) {
  loadWithCfg("\"640x480\"\r\nabc\r\n70\r\n0\r\n\"other\"\r\n");
  Settings expected = defaultsWithHome();
  expected.ResolutionText = "640x480";
  expectSameStoredSettings(settings, expected);
}

TEST_F(SettingsTest, CommasSeparateRecordsLikeLineEnds) {
  Settings values = unusualSettings();
  values.FixedFolder = "/srv/photos";  // a comma inside a string stays part of it either way
  std::string lines = FormatSettingsFile(values);
  std::string oneLine;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines.compare(i, 2, "\r\n") == 0 && i + 2 < lines.size()) {
      oneLine += ',';
      ++i;
    } else {
      oneLine += lines[i];
    }
  }
  ASSERT_EQ(oneLine.find("\r\n"), oneLine.size() - 2);
  loadWithCfg(oneLine);
  expectSameStoredSettings(settings, values);
  loadWithCfg(lines);
  expectSameStoredSettings(settings, values);
}

TEST_F(SettingsTest, StringsKeepCommasAndBlanksInsideQuotes) {
  loadWithCfg(FormatSettingsFile(unusualSettings()));
  EXPECT_EQ(settings.FixedFolder, "/srv/photos, resized/%SUBDIR%");
}

// Both front ends read the file through LoadSettings, so the values a photo job sees are the ones
// the options dialog would have stored.
TEST_F(SettingsTest, ValuesOutOfRangeAreBroughtIntoRangeOnLoading) {
  struct Case {
    const char* resize;
    const char* jpeg;
    std::int32_t resizeQuality;
    std::int32_t jpegQuality;
  };
  for (Case c : {Case{"7", "200", 1, 100}, Case{"#TRUE#", "-5", 1, 10}, Case{"0", "9.5", 1, 10},
                 Case{"3", "10", 3, 10}, Case{"2", "100.4", 2, 100}, Case{"1", "55.5", 1, 56}}) {
    loadWithCfg(
        std::string("\"640x480\"\r\n") + c.resize + "\r\n" + c.jpeg +
        "\r\n0\r\n\"out\"\r\n#TRUE#\r\n#FALSE#\r\n\"%SRC%\"\r\n#FALSE#\r\n9\r\n-3\r\n7\r\n\"/x\"\r\n");
    EXPECT_EQ(settings.ResizeQuality, c.resizeQuality) << c.resize;
    EXPECT_EQ(settings.JpegQuality, c.jpegQuality) << c.jpeg;
    // The dialog keeps unknown modes as they are; the photo job treats them safely.
    EXPECT_EQ(ModeNumber(settings.RotationMode), 9);
    EXPECT_EQ(ModeNumber(settings.OverwriteMode), -3);
    EXPECT_EQ(ModeNumber(settings.DestinationMode), 7);
  }
  // A file that ends early is normalised too.
  loadWithCfg("\"640x480\"\r\n-1\r\n");
  EXPECT_EQ(settings.ResizeQuality, 1);
  EXPECT_EQ(settings.JpegQuality, 88);
}

TEST(SettingsNormalise, TheDialogsRules) {
  EXPECT_EQ(JpegQualityInRange(88.5), 88);
  EXPECT_EQ(JpegQualityInRange(89.5), 90);
  EXPECT_EQ(JpegQualityInRange(1e300), 100);
  EXPECT_EQ(JpegQualityInRange(-1e300), 10);
  EXPECT_EQ(JpegQualityInRange(std::nan("")), 10);
  EXPECT_EQ(ResizeQualityFromName("Best"), 3);
  EXPECT_EQ(ResizeQualityFromName("best"), 1);
  EXPECT_EQ(ResizeQualityFromName("Excellent"), 2);
  for (std::int32_t quality : {1, 2, 3})
    EXPECT_EQ(ResizeQualityFromName(ResizeQualityName(quality)), quality);
  EXPECT_EQ(ResizeQualityName(-1), "Good");
}

TEST(SettingsFile, ValuesConvertToTheSettingsType) {
  struct Case {
    std::string records;  // records 1 to 7
    std::int32_t quality;
    bool copyExif;
    bool onTop;
    int taken;
  };
  const Case cases[] = {
      {"\"a\",1,#TRUE#,0,\"r\",0,5", -1, false, true, 7},         // a boolean as an integer is -1
      {"\"a\",1,2.5,0,\"r\",#FALSE#,#TRUE#", 2, false, true, 7},  // halves round to even
      {"\"a\",1,3.5,0,\"r\",-2,0", 4, true, false, 7},
      {"\"a\",1,\"77\",0,\"r\",\"True\",\"false\"", 77, true, false, 7},
      {"\"a\",1,  90  ,0,\"r\",1,0", 90, true, false, 7},
      {"\"a\",1,99999999999,0", 88, true, false, 2},   // does not fit 32 bits
      {"\"a\",1,90,40000,\"r\"", 90, true, false, 3},  // the reserved record holds 16 bits
      {"\"a\",1,90,0,\"r\",yes", 90, true, false, 5},
      {"\"a\",1,,0", 88, true, false, 2},  // an empty field is no number
      {"\"a\",1,0x10,0", 88, true, false, 2},
      {"\"a\",1,inf,0", 88, true, false, 2},
      {"\"a\",1,1e2,0", 100, true, false, 4},
  };
  for (const Case& c : cases) {
    Settings values;
    EXPECT_EQ(ParseSettingsFile(c.records, values), c.taken) << c.records;
    EXPECT_EQ(values.JpegQuality, c.quality) << c.records;
    EXPECT_EQ(values.CopyExif, c.copyExif) << c.records;
    EXPECT_EQ(values.AlwaysOnTop, c.onTop) << c.records;
  }
}

TEST(SettingsFile, DamagedTextNeverReadsPastItsEnd) {
  const std::string texts[] = {
      "", "\"", "\"unterminated\r\n2\r\n", ",,,,,,,,,,,,,", "\r\n\r\n\r\n", "\"a\"x\"b\",3"};
  for (const std::string& text : texts) {
    Settings values;
    int taken = ParseSettingsFile(text, values);
    EXPECT_LE(taken, 13) << text;
  }
  Settings values;
  EXPECT_EQ(ParseSettingsFile("\"unterminated\r\n2\r\n", values), 0);
  EXPECT_EQ(values.ResolutionText, "800x600");
  EXPECT_EQ(ParseSettingsFile("\"a\"x\"b\",3", values),
            2);  // the rest of a field after its quotes is skipped
  EXPECT_EQ(values.ResolutionText, "a");
  EXPECT_EQ(values.ResizeQuality, 3);
}

TEST_F(SettingsTest, ResolutionListSkipsBlankLinesOnly) {
  writeBytes(dir.file("resolutions.cfg"), bytesOf("1024x768\r\n  \r\n 640x480\r\n\r\n50%  \r\n2000x1000"));
  LoadDefaults();
  EXPECT_EQ(settings.ResolutionItems,
            (std::vector<std::string>{"1024x768", " 640x480", "50%  ", "2000x1000"}));
  EXPECT_EQ(settings.ResolutionText, "800x600");
}

TEST_F(SettingsTest, BlankResolutionListEmptiesTheList) {
  writeBytes(dir.file("resolutions.cfg"), bytesOf("  \r\n\r\n"));
  LoadDefaults();
  EXPECT_TRUE(settings.ResolutionItems.empty());
  EXPECT_EQ(settings.ResolutionText, "800x600");
}

TEST_F(SettingsTest, SavingCreatesTheConfigurationFolder) {
  std::string nested = dir.file("a/b/c");
  setenv("LUMIVEX_CONFIG_DIR", nested.c_str(), 1);
  EXPECT_EQ(ConfigFolder(), nested + "/");
  LoadDefaults();
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(textOf(readBytes(nested + "/lumivex.cfg")), defaultFileText());
}

TEST_F(SettingsTest, SavingWhereTheFolderIsAFileFails) {
  writeBytes(dir.file("blocker"), {1});
  setenv("LUMIVEX_CONFIG_DIR", dir.file("blocker").c_str(), 1);
  LoadDefaults();
  EXPECT_FALSE(SaveSettings());
}

// A file-size limit makes the write stop half-way, as a full disk would.
TEST_F(SettingsTest, FailureWhileSavingKeepsTheOldFile) {
  const std::string old = FormatSettingsFile(unusualSettings());
  writeCfg(old);
  LoadDefaults();
  settings.SubfolderName = std::string(4000, 'x');

  struct sigaction ignore = {}, previousAction = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previousAction);
  rlimit previousLimit = {};
  getrlimit(RLIMIT_FSIZE, &previousLimit);
  rlimit small = previousLimit;
  small.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &small);
  bool saved = SaveSettings();
  setrlimit(RLIMIT_FSIZE, &previousLimit);
  sigaction(SIGXFSZ, &previousAction, nullptr);

  EXPECT_FALSE(saved);
  EXPECT_EQ(textOf(readBytes(cfg())), old);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u) << "the temporary file is left behind";
}

TEST_F(SettingsTest, ConfigFolderFollowsTheEnvironment) {
  setenv("LUMIVEX_CONFIG_DIR", "/some/where", 1);
  EXPECT_EQ(ConfigFolder(), "/some/where/");
  unsetenv("LUMIVEX_CONFIG_DIR");
  std::string folder = ConfigFolder();
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(folder == ExecutableFolder() || folder.ends_with("/lumivex/")) << folder;
}

}  // namespace
}  // namespace lumivex
