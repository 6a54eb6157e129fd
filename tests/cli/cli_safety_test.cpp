// What a run must never do to the user's files, on the real binary: replace one of its own
// sources, lose a photo to another of the same name, write a JPEG no decoder can read, or pass a
// damaged photo off as a clean one.
#include <gtest/gtest.h>

#include "cli_run.h"

namespace {

using namespace cli_testing;
using lumivex::PictureSize;
using testing_support::jpegSize;

using CliSafetyTest = CliTest;

TEST_F(CliSafetyTest, AnOutputNeverReplacesASourceOfTheRun) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  std::vector<std::uint8_t> original = testing_support::readBytes(a);
  Result result =
      run({"--batch", "--same-folder", "--pattern", "%SRC%", "--overwrite", "always", "-s", "100x100", a});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(testing_support::readBytes(a), original);
  EXPECT_NE(result.err.find("would replace a photo this run reads"), std::string::npos) << result.err;
  EXPECT_EQ(filesBelow(in()), (std::vector<std::string>{"a.jpg"}));
}

// Two folders hold a photo of the same name and both go into one fixed folder: the second gets a
// free name, whatever the overwrite policy, and the run says so.
TEST_F(CliSafetyTest, PhotosOfOneNameFromTwoFoldersAreBothWritten) {
  photo("cameras/fujifilm-finepix40i.jpg", "one/IMG.jpg");
  photo("cameras/canon-ixus.jpg", "two/IMG.jpg");
  for (const char* policy : {"never", "always"}) {
    fs::remove_all(out());
    Result result = run({"--batch", "--fixed-folder", out().string(), "--overwrite", policy, "-s", "120x120",
                         "in/one/IMG.jpg", "in/two/IMG.jpg"});
    EXPECT_EQ(result.status, 0) << policy << result.err;
    EXPECT_EQ(filesBelow(out()), (std::vector<std::string>{"IMG_120x90.jpg", "IMG_120x90_2.jpg"})) << policy;
    EXPECT_NE(result.out.find("written as IMG_120x90_2.jpg"), std::string::npos) << result.out;
  }
}

// "No Resize" of a picture wider than JPEG allows would give a file that decoders refuse.
TEST_F(CliSafetyTest, APictureTooWideForJpegIsRefused) {
  testing_support::writeGradientBmp((in() / "wide.bmp").string(), 65536, 1);
  Result result = run({"--batch", "--same-folder", "-s", "No Resize", (in() / "wide.bmp").string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("larger than a JPEG file can hold"), std::string::npos) << result.err;
  EXPECT_EQ(filesBelow(in()), (std::vector<std::string>{"wide.bmp"}));
}

// A JPEG cut short still gives a photo (the decoder fills the rest), but it is named with the
// decoder's complaint and counted apart; no library text reaches the terminal on its own.
TEST_F(CliSafetyTest, ADamagedJpegIsWrittenWithAWarning) {
  std::string cut = photo("cameras/canon-ixus.jpg", "cut.jpg");
  std::vector<std::uint8_t> bytes = testing_support::readBytes(cut);
  bytes.resize(bytes.size() * 2 / 3);
  testing_support::writeBytes(cut, bytes);
  Result result = run({"--batch", "--same-folder", "-s", "120x120", cut});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(jpegSize((in() / "cut_120x90.jpg").string()), (PictureSize{120, 90}));
  EXPECT_NE(result.out.find("1 photo: 1 written with warnings\n"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("] written with warnings: " + cut + ": "), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("Premature end of JPEG file\n"), std::string::npos) << "raw library text\n"
                                                                                << result.err;
}

// Two runs at once into one folder with a counter pattern: when one takes a name between the
// other's check and its write, the other moves on to the next counter; nobody's photo is "kept".
TEST_F(CliSafetyTest, TwoRunsWithCountersIntoOneFolderKeepEveryPhoto) {
  constexpr int kPerRun = 12;
  for (const char* run : {"a", "b"}) {
    fs::create_directories(in() / run);
    for (int i = 0; i < kPerRun; ++i)
      testing_support::writeGradientBmp((in() / run / ("p" + std::to_string(i) + ".bmp")).string(), 96, 64);
  }
  std::string command;
  for (const char* run : {"a", "b"})
    command += "LUMIVEX_CONFIG_DIR=" + quoted(config().string()) + " " +
               quoted(std::string(LUMIVEX_BIN_DIR) + "/lumivex") + " --batch --fixed-folder " +
               quoted(out().string()) + " --pattern img_%N4% -s 48x32 " + quoted((in() / run).string()) +
               " </dev/null >" + quoted((dir.path() / (std::string(run) + ".txt")).string()) + " 2>&1 & ";
  ASSERT_EQ(std::system((command + "wait").c_str()), 0);
  for (const char* run : {"a", "b"}) {
    std::string text = fileText(dir.path() / (std::string(run) + ".txt"));
    EXPECT_EQ(text.find("kept"), std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(kPerRun) + " photos: " + std::to_string(kPerRun) + " written"),
              std::string::npos)
        << text;
  }
  std::vector<std::string> outputs = filesBelow(out());
  ASSERT_EQ(outputs.size(), 2u * kPerRun);
  for (const std::string& name : outputs) EXPECT_EQ(jpegSize((out() / name).string()), (PictureSize{48, 32}));
}

// A note about one photo names it on the terminal, where many lines pass by.
TEST_F(CliSafetyTest, ANoteNamesItsPhoto) {
  std::string odd = photo("orientation/landscape_2.jpg", "odd.jpg");
  if (std::system(
          ("exiftool -q -n -Orientation=9 -overwrite_original " + cli_testing::quoted(odd)).c_str()) != 0)
    GTEST_SKIP() << "exiftool is not installed";
  Result result = run({"--batch", "--same-folder", "--rotate", "exif", "-s", "60x60", odd});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("lumivex: " + odd + ": Note: Image was not rotated, orientation 9"),
            std::string::npos)
      << result.err;
}

}  // namespace
