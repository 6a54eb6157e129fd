// The real `lumivex --batch` binary on temporary folder trees: names and folders of the three
// destination modes, counters, overwrite policies, Exif orientation, bad files among good ones,
// destinations that cannot be written, usage errors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_run.h"

namespace {

using namespace cli_testing;
using lumivex::PictureSize;
using testing_support::jpegSize;

TEST_F(CliTest, HelpVersionAndUsageErrors) {
  Result help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("lumivex --batch [OPTIONS] FILE|FOLDER..."), std::string::npos);
  EXPECT_EQ(run({"--version"}).out, "lumivex " LUMIVEX_VERSION "\n");
  EXPECT_EQ(run({"--batch", "--help"}).status, 0);
  for (std::vector<std::string> arguments :
       std::vector<std::vector<std::string>>{{"--batch"},
                                             {"--batch", "--bogus", "in"},
                                             {"--batch", "--quality", "5", "in"},
                                             {"--batch", "--quality"},
                                             {"--batch", "--size", "800X600", "in"},
                                             {"--batch", "--rotate", "sideways", "in"},
                                             {"--batch", "--crop=yes", "in"}}) {
    Result usage = run(arguments);
    EXPECT_EQ(usage.status, 2) << arguments[1];
    EXPECT_NE(usage.err.find("lumivex: "), std::string::npos) << arguments[1];
  }
}

TEST_F(CliTest, SameFolderWritesBesideEachPhoto) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  std::string b = photo("cameras/canon-ixus.jpg", "b.JPG");
  Result result = run({"--batch", "--same-folder", "-s", "160x160", a, "in/b.JPG"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(jpegSize((in() / "a_160x120.jpg").string()), (PictureSize{160, 120}));
  EXPECT_EQ(jpegSize((in() / "b_160x120.JPG").string()), (PictureSize{160, 120}));
  EXPECT_NE(result.out.find("Resizing a.jpg..."), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("a.jpg -> " + (in() / "a_160x120.jpg").string()), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("Done.\n("), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(" seconds per photo)"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "");
}

TEST_F(CliTest, SubfolderMirrorsTheTreeCreatingEveryLevel) {
  photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  photo("cameras/canon-ixus.jpg", "2007/b.jpg");
  photo("orientation/landscape_1.jpg", "2007/summer/c.jpg");
  Result result = run({"--batch", "--subfolder", "small_%WIDTH%", "--subfolders", "-s", "160x160", "in"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(jpegSize((in() / "small_160/a_160x120.jpg").string()), (PictureSize{160, 120}));
  EXPECT_EQ(jpegSize((in() / "small_160/2007/b_160x120.jpg").string()), (PictureSize{160, 120}));
  EXPECT_EQ(jpegSize((in() / "small_160/2007/summer/c_160x120.jpg").string()), (PictureSize{160, 120}));
}

TEST_F(CliTest, WithoutATerminalSubfoldersAreNotWalked) {
  photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  photo("cameras/canon-ixus.jpg", "2007/b.jpg");
  Result result = run({"--batch", "-s", "160x160", "in"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(filesBelow(in()), (std::vector<std::string>{"2007/b.jpg", "a.jpg", "resized/a_160x120.jpg"}));
}

TEST_F(CliTest, FixedFolderWithTheDroppedFoldersName) {
  photo("cameras/fujifilm-finepix40i.jpg", "Trip/a.jpg");
  photo("cameras/canon-ixus.jpg", "Trip/day2/b.jpg");
  std::string fixed = (out() / "%SUBDIR%_%WIDTH%").string();
  Result result = run({"--batch", "--fixed-folder", fixed, "--subfolders", "-s", "320x240", "in/Trip"});
  EXPECT_EQ(result.status, 0) << result.err;
  // Every photo of the drop lands flat in the one folder.
  EXPECT_EQ(filesBelow(out()),
            (std::vector<std::string>{"Trip_320/a_320x240.jpg", "Trip_320/b_320x240.jpg"}));
}

TEST_F(CliTest, CountersSkipNamesAlreadyTaken) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  std::string b = photo("cameras/canon-ixus.jpg", "b.jpg");
  fs::create_directories(out());
  testing_support::writeBytes((out() / "img_001.jpg").string(), {1, 2, 3});
  Result result =
      run({"--batch", "--fixed-folder", out().string(), "--pattern", "img_%N3%", "-s", "120x120", a, b});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(filesBelow(out()), (std::vector<std::string>{"img_001.jpg", "img_002.jpg", "img_003.jpg"}));
  EXPECT_EQ(testing_support::readBytes((out() / "img_001.jpg").string()),
            (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(jpegSize((out() / "img_002.jpg").string()), (PictureSize{120, 90}));
}

TEST_F(CliTest, OverwritePolicies) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  std::string output = (in() / "a_160x120.jpg").string();
  const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
  testing_support::writeBytes(output, old);
  for (const char* policy : {"never", "ask"}) {
    // Asking without a terminal answers No at once.
    Result kept = run({"--batch", "--same-folder", "-s", "160x120", "--overwrite", policy, a});
    EXPECT_EQ(kept.status, 0) << policy << kept.err;
    EXPECT_EQ(testing_support::readBytes(output), old) << policy;
    EXPECT_NE(kept.out.find("kept the existing " + output), std::string::npos) << kept.out;
  }
  Result replaced = run({"--batch", "--same-folder", "-s", "160x120", "--overwrite", "always", a});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_EQ(jpegSize(output), (PictureSize{160, 120}));
  EXPECT_EQ(filesBelow(in()), (std::vector<std::string>{"a.jpg", "a_160x120.jpg"}));
}

TEST_F(CliTest, ExifOrientationSixIsTurnedAndWrittenAsOne) {
  // Stored 450 x 600 with orientation 6: upright it is 600 x 450.
  std::string a = photo("orientation/landscape_6.jpg", "turned/a.jpg");
  std::string b = photo("orientation/landscape_6.jpg", "asis/b.jpg");
  std::string c = photo("orientation/landscape_6.jpg", "noexif/c.jpg");
  EXPECT_EQ(run({"--batch", "--same-folder", "-s", "300x300", "--rotate", "exif", a}).status, 0);
  EXPECT_EQ(run({"--batch", "--same-folder", "-s", "300x300", "--rotate", "none", b}).status, 0);
  EXPECT_EQ(run({"--batch", "--same-folder", "-s", "300x300", "--rotate", "exif", "--no-exif", c}).status, 0);
  std::string turned = (in() / "turned/a_300x225.jpg").string();
  EXPECT_EQ(jpegSize(turned), (PictureSize{300, 225}));
  EXPECT_EQ(testing_support::exiftoolOrientation(turned), "1");
  std::string asIs = (in() / "asis/b_225x300.jpg").string();
  EXPECT_EQ(jpegSize(asIs), (PictureSize{225, 300}));
  EXPECT_EQ(testing_support::exiftoolOrientation(asIs), "6");
  std::string noExif = (in() / "noexif/c_300x225.jpg").string();
  EXPECT_EQ(jpegSize(noExif), (PictureSize{300, 225}));
  EXPECT_EQ(testing_support::exiftoolOrientation(noExif), "");
}

TEST_F(CliTest, PortraitsTurnToLandscapeAndCropFillsTheBox) {
  testing_support::writeGradientBmp((in() / "tall.bmp").string(), 30, 40);
  Result turned = run({"--batch", "--same-folder", "-s", "80x80", "--rotate", "landscape", "in/tall.bmp"});
  EXPECT_EQ(turned.status, 0) << turned.err;
  EXPECT_EQ(jpegSize((in() / "tall_80x60.jpg").string()), (PictureSize{80, 60}));
  Result cropped = run({"--batch", "--same-folder", "-s", "80x80", "--crop", "in/tall.bmp"});
  EXPECT_EQ(cropped.status, 0) << cropped.err;
  EXPECT_EQ(jpegSize((in() / "tall_80x80.jpg").string()), (PictureSize{80, 80}));
}

TEST_F(CliTest, BadFilesAreReportedAndTheGoodOnesWritten) {
  photo("cameras/fujifilm-finepix40i.jpg", "good1.jpg");
  photo("cameras/canon-ixus.jpg", "good2.jpg");
  testing_support::writeBytes((in() / "corrupt.jpg").string(),
                              {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02, 0x12, 0x34, 0x56});
  std::string unreadable = (in() / "unreadable.jpg").string();
  if (geteuid() == 0) {
    // Root reads any file whatever its permissions; a link to nothing cannot be opened by anyone.
    fs::create_symlink(dir.path() / "nowhere.jpg", unreadable);
  } else {
    photo("cameras/canon-ixus.jpg", "unreadable.jpg");
    fs::permissions(unreadable, fs::perms::none);
  }
  Result result = run({"--batch", "--same-folder", "-s", "160x160", "in"});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(fs::exists(in() / "good1_160x120.jpg"));
  EXPECT_TRUE(fs::exists(in() / "good2_160x120.jpg"));
  EXPECT_NE(result.err.find(in().string() + "/corrupt.jpg: cannot be read as an image"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find(unreadable + ": cannot be opened"), std::string::npos) << result.err;
  for (const std::string& file : filesBelow(in()))
    EXPECT_FALSE(file.starts_with("corrupt_") || file.starts_with("unreadable_")) << file;
  EXPECT_NE(result.out.find("2 failed (1 damaged, 1 unreadable)"), std::string::npos) << result.out;
}

TEST_F(CliTest, NamedItemsThatAreNoImagesAreReported) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  testing_support::writeBytes((in() / "notes.txt").string(), {'x'});
  Result result = run({"--batch", "--same-folder", "-s", "160x160", a, "in/notes.txt", "in/missing.jpg"});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(fs::exists(in() / "a_160x120.jpg"));
  EXPECT_NE(result.err.find("notes.txt: not a supported image"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("missing.jpg: no such file or folder"), std::string::npos) << result.err;
}

TEST_F(CliTest, AnUnwritableDestinationFailsThosePhotosAndLeavesNoPartialFile) {
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  // A file where the destination folder should be: no user, root included, can create it.
  testing_support::writeBytes((dir.path() / "blocker").string(), {0});
  Result blocked =
      run({"--batch", "--fixed-folder", (dir.path() / "blocker/out").string(), "-s", "160x160", a});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.err.find("a.jpg: cannot create the folder"), std::string::npos) << blocked.err;
}

TEST_F(CliTest, AReadOnlyDestinationFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; the permission cannot be enforced";
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  fs::create_directories(out());
  fs::permissions(out(), fs::perms::owner_read | fs::perms::owner_exec);
  Result result = run({"--batch", "--fixed-folder", out().string(), "-s", "160x160", a});
  fs::permissions(out(), fs::perms::owner_all);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("a.jpg: "), std::string::npos) << result.err;
  EXPECT_TRUE(filesBelow(out()).empty());
}

TEST_F(CliTest, SettingsComeFromTheConfigFileAndAreNotSaved) {
  std::string cfg =
      "\"50%\"\r\n2\r\n88\r\n0\r\n\"resized\"\r\n#TRUE#\r\n#FALSE#\r\n\"%SRC%_half\"\r\n#FALSE#"
      "\r\n0\r\n0\r\n0\r\n"
      "\"/tmp\"\r\n";
  std::string cfgPath = (config() / "lumivex.cfg").string();
  testing_support::writeBytes(cfgPath, std::vector<std::uint8_t>(cfg.begin(), cfg.end()));
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  EXPECT_EQ(run({"--batch", a}).status, 0);
  EXPECT_EQ(jpegSize((in() / "a_half.jpg").string()), (PictureSize{300, 225}));
  EXPECT_EQ(run({"--batch", "-s", "160x120", "-p", "%SRC%_small", a}).status, 0);
  EXPECT_EQ(jpegSize((in() / "a_small.jpg").string()), (PictureSize{160, 120}));
  EXPECT_EQ(fileText(cfgPath), cfg);
}

TEST_F(CliTest, AnInvalidSizeInTheConfigFileIsAUsageError) {
  std::string cfg = "\"big\"\r\n";
  testing_support::writeBytes((config() / "lumivex.cfg").string(),
                              std::vector<std::uint8_t>(cfg.begin(), cfg.end()));
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  Result result = run({"--batch", a});
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("Incorrect resolution selected!"), std::string::npos) << result.err;
}

TEST_F(CliTest, GifAndBmpBecomeJpg) {
  testing_support::writeGradientBmp((in() / "d.BMP").string(), 64, 48);
  std::string gifCommand = "convert " +
                           quoted(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg")) + " " +
                           quoted((in() / "e.gif").string()) + " 2>/dev/null";
  bool haveGif = std::system(gifCommand.c_str()) == 0;
  Result result = run({"--batch", "--same-folder", "-s", "32x32", "in"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(jpegSize((in() / "d_32x24.jpg").string()), (PictureSize{32, 24}));
  if (haveGif) {
    EXPECT_EQ(jpegSize((in() / "e_32x24.jpg").string()), (PictureSize{32, 24}));
  }
}

}  // namespace

namespace {

// Debuggers, tracers and child processes must see the program as started: it never runs itself
// again (strace counts every execve of the process and its children).
TEST_F(CliTest, TheProgramNeverStartsItselfAgain) {
  if (std::system("strace -o /dev/null true >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "strace cannot trace here";
  std::string a = photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  fs::path trace = dir.path() / "trace.txt";
  // LeakSanitizer cannot run under a tracer: the sanitizer builds run this test without it.
  std::string command =
      "ASAN_OPTIONS=detect_leaks=0 LUMIVEX_CONFIG_DIR=" + cli_testing::quoted(config().string()) +
      " strace -f -e trace=execve -o " + cli_testing::quoted(trace.string()) + " " +
      cli_testing::quoted(std::string(LUMIVEX_BIN_DIR) + "/lumivex") + " --batch --same-folder -s 100x100 " +
      cli_testing::quoted(a) + " </dev/null >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::string text = fileText(trace);
  std::size_t execs = 0;
  for (std::size_t at = text.find("execve("); at != std::string::npos; at = text.find("execve(", at + 1))
    ++execs;
  EXPECT_EQ(execs, 1u) << text;
  EXPECT_EQ(text.find("GLIBC_TUNABLES"), std::string::npos);
}

// libheif, libjxl and libavif (and the codecs below them) take longer to load than a small photo to
// resize: a run loads them only when it reads or writes one of their formats.
TEST_F(CliTest, TheHeifAvifAndJpegXlLibrariesLoadOnlyWhenUsed) {
  photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  auto loaded = [](const Result& result, const std::string& library) {
    return result.err.find("calling init: ") != std::string::npos &&
           result.err.find(library) != std::string::npos;
  };
  Result plain = run({"--batch", "--size", "320x240", in().string()}, "LD_DEBUG=libs");
  ASSERT_EQ(plain.status, 0) << plain.err;
  for (const char* library : {"libheif.so", "libjxl.so", "libavif.so"}) EXPECT_FALSE(loaded(plain, library));
  Result jxl = run({"--batch", "--size", "320x240", "--format", "jxl", in().string()}, "LD_DEBUG=libs");
  ASSERT_EQ(jxl.status, 0) << jxl.err;
  EXPECT_TRUE(loaded(jxl, "libjxl.so"));
  EXPECT_FALSE(loaded(jxl, "libheif.so"));
  const std::vector<std::string> files = filesBelow(in());
  const auto jxlFile =
      std::find_if(files.begin(), files.end(), [](const std::string& f) { return f.ends_with(".jxl"); });
  ASSERT_NE(jxlFile, files.end());

  // A library that cannot be opened fails the photos that need it, with its name as the reason.
  fs::copy_file(in() / *jxlFile, in() / "b.jxl");
  fs::create_directories(dir.path() / "broken");
  std::ofstream(dir.path() / "broken" / LUMIVEX_JXL_SONAME) << "not a library";
  Result broken = run({"--batch", "--size", "160x120", in().string()},
                      "LD_LIBRARY_PATH=" + quoted((dir.path() / "broken").string()));
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find(std::string("b.jxl: cannot be decoded: ") + LUMIVEX_JXL_SONAME),
            std::string::npos)
      << broken.err;
  EXPECT_NE(broken.out.find("a_160x120.jpg"), std::string::npos) << broken.out;
}

}  // namespace
