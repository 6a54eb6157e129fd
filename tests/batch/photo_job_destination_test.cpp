// The output folder of each destination mode, and the creation of every missing level.
#include "output/destination_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/settings.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

class DestinationTest : public ::testing::Test {
 protected:
  void SetUp() override { saved = settings; }
  void TearDown() override { settings = saved; }
  Settings saved;
};

TEST_F(DestinationTest, SameFolderIsThePhotosFolder) {
  settings.DestinationMode = DestinationMode::SourceFolder;
  std::string base = "/E/Photos/";
  EXPECT_EQ(DestinationFolderFor("/E/Photos/2007/a.jpg", base, {800, 600}), "/E/Photos/2007/");
}

TEST_F(DestinationTest, SubfolderMirrorsTheTreeBelowTheBase) {
  settings.DestinationMode = DestinationMode::Subfolder;
  settings.SubfolderName = "resized";
  std::string base = "/E/Photos/";
  EXPECT_EQ(DestinationFolderFor("/E/Photos/2007/a.jpg", base, {800, 600}), "/E/Photos/resized/2007/");
  base = "/E/Photos";  // a walked folder's base has no trailing "/"; one is added
  EXPECT_EQ(DestinationFolderFor("/E/Photos/2007/summer/a.jpg", base, {800, 600}),
            "/E/Photos/resized/2007/summer/");
  EXPECT_EQ(base, "/E/Photos/");
  EXPECT_EQ(DestinationFolderFor("/E/Photos/a.jpg", base, {800, 600}), "/E/Photos/resized/");
}

TEST_F(DestinationTest, SubfolderNameTakesTheTargetSize) {
  settings.DestinationMode = DestinationMode::Subfolder;
  settings.SubfolderName = "%WIDTH%x%HEIGHT% %WIDTH%";
  std::string base = "/E/Photos/";
  EXPECT_EQ(DestinationFolderFor("/E/Photos/a.jpg", base, {800, 600}), "/E/Photos/800x600 800/");
}

TEST_F(DestinationTest, FixedFolderWithTheLastComponentOfTheBase) {
  settings.DestinationMode = DestinationMode::FixedFolder;
  settings.FixedFolder = "/F/out/%SUBDIR%_%WIDTH%/";
  std::string base = "/E/Photos/Trip/";
  EXPECT_EQ(DestinationFolderFor("/E/Photos/Trip/day1/a.jpg", base, {800, 600}), "/F/out/Trip_800/");
  EXPECT_EQ(base, "/E/Photos/Trip");
  EXPECT_EQ(settings.FixedFolder, "/F/out/%SUBDIR%_%WIDTH%/");  // the setting stays as typed
}

TEST_F(DestinationTest, AnUnknownModeHasNoFolder) {
  settings.DestinationMode = static_cast<DestinationMode>(3);
  std::string base = "/E/";
  EXPECT_FALSE(DestinationFolderFor("/E/a.jpg", base, {800, 600}));
}

TEST(CreateDestinationFolder, CreatesEveryMissingLevel) {
  testing_support::TempDir dir;
  std::string folder = dir.file("resized/2007/summer/");
  CreateDestinationFolder(folder);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  CreateDestinationFolder(folder);  // an existing folder is fine
}

TEST(CreateDestinationFolder, AFileInTheWayIsReported) {
  testing_support::TempDir dir;
  testing_support::writeBytes(dir.file("blocker"), {0});
  try {
    CreateDestinationFolder(dir.file("blocker/deeper/"));
    FAIL() << "no failure";
  } catch (const std::runtime_error& failure) {
    EXPECT_NE(std::string(failure.what()).find(dir.file("blocker/deeper")), std::string::npos)
        << failure.what();
  }
}

}  // namespace
}  // namespace lumivex
