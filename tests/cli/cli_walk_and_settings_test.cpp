// The real `lumivex --batch` binary on temporary folders for what a run reads before it resizes:
// a lumivex.cfg with values out of range, a second run over a folder that holds the first run's
// outputs, hidden and special files, the queue order of a folder, and folders that cannot be read.
// The binary runs in a child with standard input on /dev/null; a test that needs permissions to
// hold gives up root in that child.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "cli_run.h"
#include "photo_job_files.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;
using lumivex::PictureSize;
using testing_support::jpegSize;

// What libjpeg-turbo reads from a written file: the mean of every decoded sample and the first
// quantization table (all ones at quality 100).
struct DecodedJpeg {
  bool ok = false;
  double meanSample = 0;
  std::vector<unsigned> lumaTable;
};

struct ErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void jumpOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }

void decodeInto(jpeg_decompress_struct& info, DecodedJpeg& decoded) {
  jpeg_read_header(&info, TRUE);
  for (int k = 0; k < DCTSIZE2 && info.quant_tbl_ptrs[0]; ++k)
    decoded.lumaTable.push_back(info.quant_tbl_ptrs[0]->quantval[k]);
  jpeg_start_decompress(&info);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(info.output_width) * info.output_components);
  double sum = 0;
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (JSAMPLE sample : row) sum += sample;
  }
  decoded.meanSample = sum / (static_cast<double>(row.size()) * info.output_height);
  jpeg_finish_decompress(&info);
  decoded.ok = true;
}

DecodedJpeg decodeJpeg(const std::string& path) {
  DecodedJpeg decoded;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return decoded;
  jpeg_decompress_struct info;
  ErrorJump error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jumpOnError;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return DecodedJpeg{};
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file.get());
  decodeInto(info, decoded);
  jpeg_destroy_decompress(&info);
  return decoded;
}

void redirect(const fs::path& path, int flags, int target) {
  int fd = open(path.c_str(), flags, 0666);
  if (fd < 0 || dup2(fd, target) < 0) _exit(120);
  close(fd);
}

class CliWalkTest : public cli_testing::CliTest {
 protected:
  void writeConfig(const std::string& text) {
    testing_support::writeBytes((config() / "lumivex.cfg").string(),
                                std::vector<std::uint8_t>(text.begin(), text.end()));
  }

  // Runs lumivex --batch ARGUMENTS in the temporary folder; `asNobody` gives up root first, so
  // that permissions hold (the folders must then be open to every user).
  cli_testing::Result runBatch(const std::vector<std::string>& arguments, bool asNobody = false) {
    fs::path outFile = dir.path() / "stdout.txt", errFile = dir.path() / "stderr.txt";
    pid_t child = fork();
    if (child == 0) runChild(arguments, outFile, errFile, asNobody);
    int raw = 0;
    waitpid(child, &raw, 0);
    cli_testing::Result result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, cli_testing::fileText(outFile),
                               cli_testing::fileText(errFile)};
    fs::remove(outFile);
    fs::remove(errFile);
    return result;
  }

  // The build folder may lie where another user cannot enter (a clone under /root, mode 700), so
  // a run that gives up root runs copies of the program and its two libraries from the temporary
  // folder, which every user can reach.
  std::string programFor(bool asNobody) {
    std::string built = std::string(LUMIVEX_BIN_DIR);
    if (!asNobody || geteuid() != 0) return built + "/lumivex";
    fs::path copies = dir.path() / "programs";
    fs::create_directories(copies);
    for (const char* name : {"lumivex", "libcorvale.so", "libdevctx.so"})
      fs::copy_file(fs::path(built) / name, copies / name, fs::copy_options::overwrite_existing);
    fs::permissions(copies, fs::perms::all);
    return (copies / "lumivex").string();
  }

  [[noreturn]] void runChild(const std::vector<std::string>& arguments, const fs::path& outFile,
                             const fs::path& errFile, bool asNobody) {
    redirect("/dev/null", O_RDONLY, 0);
    redirect(outFile, O_WRONLY | O_CREAT | O_TRUNC, 1);
    redirect(errFile, O_WRONLY | O_CREAT | O_TRUNC, 2);
    if (chdir(dir.path().c_str()) != 0) _exit(121);
    setenv("LUMIVEX_CONFIG_DIR", config().c_str(), 1);
    alarm(300);  // a run that waits for ever ends the test instead of hanging it
    std::string binary = programFor(asNobody);
    if (asNobody && geteuid() == 0) {
      setenv("LD_LIBRARY_PATH", fs::path(binary).parent_path().c_str(), 1);
      const passwd* nobody = getpwnam("nobody");
      if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(122);
    }
    std::vector<std::string> all = {binary, "--batch"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(123);
  }
};

// Resize quality 7 (or -1, which #TRUE# reads as) once made a black photo, and a JPEG quality of
// 200 was written at 75; both are now what the options dialog would have made of them.
TEST_F(CliWalkTest, SettingsOutOfRangeAreNormalised) {
  photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  DecodedJpeg source = decodeJpeg((in() / "a.jpg").string());
  ASSERT_TRUE(source.ok);
  for (const char* resizeQuality : {"7", "#TRUE#"}) {
    writeConfig("\"160x160\"\r\n" + std::string(resizeQuality) +
                "\r\n200\r\n0\r\n\"resized\"\r\n#FALSE#\r\n#FALSE#\r\n\"%SRC%_out\"\r\n#FALSE#"
                "\r\n0\r\n2\r\n0\r\n\"/tmp\"\r\n");
    cli_testing::Result result = runBatch({"in/a.jpg"});
    EXPECT_EQ(result.status, 0) << resizeQuality << result.err;
    DecodedJpeg written = decodeJpeg((in() / "a_out.jpg").string());
    ASSERT_TRUE(written.ok) << resizeQuality;
    EXPECT_NEAR(written.meanSample, source.meanSample, 8.0) << resizeQuality;
    EXPECT_EQ(written.lumaTable, std::vector<unsigned>(DCTSIZE2, 1u)) << resizeQuality;
  }
}

TEST_F(CliWalkTest, ASecondRunLeavesTheFirstRunsOutputsAlone) {
  photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  photo("cameras/canon-ixus.jpg", "2007/b.jpg");
  for (int i = 0; i < 2; ++i) {
    cli_testing::Result result = runBatch({"--subfolders", "-s", "160x160", "in"});
    EXPECT_EQ(result.status, 0) << result.err;
  }
  EXPECT_EQ(cli_testing::filesBelow(in()),
            (std::vector<std::string>{"2007/b.jpg", "a.jpg", "resized/2007/b_160x120.jpg",
                                      "resized/a_160x120.jpg"}));
  fs::remove_all(in() / "resized");
  // The size is in the folder's name: the second size must not walk the first size's folder.
  for (const char* size : {"120x120", "160x160"}) {
    cli_testing::Result result = runBatch({"--subfolders", "--subfolder", "small_%WIDTH%", "-s", size, "in"});
    EXPECT_EQ(result.status, 0) << result.err;
  }
  EXPECT_EQ(cli_testing::filesBelow(in()),
            (std::vector<std::string>{"2007/b.jpg", "a.jpg", "small_120/2007/b_120x90.jpg",
                                      "small_120/a_120x90.jpg", "small_160/2007/b_160x120.jpg",
                                      "small_160/a_160x120.jpg"}));
  // A fixed folder inside the walked tree, named through a link.
  fs::create_directory(in() / "fixed");
  fs::create_directory_symlink(in() / "fixed", dir.path() / "to_fixed");
  std::vector<std::string> afterFirstRun;
  for (int i = 0; i < 2; ++i) {
    cli_testing::Result result = runBatch(
        {"--subfolders", "--fixed-folder", "to_fixed/", "-s", "100x100", "--overwrite", "never", "in"});
    EXPECT_EQ(result.status, 0) << result.err;
    if (i == 0) afterFirstRun = cli_testing::filesBelow(in() / "fixed");
  }
  EXPECT_EQ(afterFirstRun.size(), 6u);
  EXPECT_EQ(cli_testing::filesBelow(in() / "fixed"), afterFirstRun);
}

TEST_F(CliWalkTest, HiddenAndSpecialFilesAreLeftAloneAndOrderFollowsNames) {
  for (int n : {10, 2, 1, 30, 3})
    testing_support::writeGradientBmp((in() / ("p" + std::to_string(n) + ".bmp")).string(), 40, 4 * n);
  testing_support::writeBytes((in() / "._p1.jpg").string(), {0, 0, 0});
  fs::create_directories(in() / ".thumbnails");
  photo("cameras/canon-ixus.jpg", ".thumbnails/t.jpg");
  ASSERT_EQ(mkfifo((in() / "x.jpg").c_str(), 0600), 0);  // opening it would wait for ever
  cli_testing::Result result = runBatch({"--subfolders", "--same-folder", "-s", "40x200", "in"});
  EXPECT_EQ(result.status, 0) << result.err;
  // Photos start in the order of their names (several workers may finish them in another).
  std::size_t previous = 0;
  for (int n : {1, 2, 3, 10, 30}) {
    std::string name = "p" + std::to_string(n);
    std::size_t started = result.out.find("Resizing " + name + ".bmp...");
    ASSERT_NE(started, std::string::npos) << result.out;
    EXPECT_GT(started, previous) << name << "\n" << result.out;
    previous = started;
    std::string output = name + "_40x" + std::to_string(4 * n) + ".jpg";
    EXPECT_EQ(jpegSize((in() / output).string()), (PictureSize{40, 4 * n})) << output;
  }
  EXPECT_EQ(cli_testing::filesBelow(in() / ".thumbnails"), std::vector<std::string>{"t.jpg"});
  EXPECT_EQ(result.err, "");
}

TEST_F(CliWalkTest, AnUnreadableFolderIsNamedAndFailsTheRun) {
  photo("cameras/fujifilm-finepix40i.jpg", "a.jpg");
  photo("cameras/canon-ixus.jpg", "locked/b.jpg");
  photo("cameras/canon-ixus.jpg", "locked2/c.jpg");
  for (const fs::path& folder : {dir.path(), config(), in()}) fs::permissions(folder, fs::perms::all);
  fs::permissions(in() / "locked", fs::perms::none);
  fs::permissions(in() / "locked2", fs::perms::none);
  cli_testing::Result walked = runBatch({"--subfolders", "--same-folder", "-s", "160x160", "in"}, true);
  cli_testing::Result named = runBatch({"--same-folder", "-s", "160x160", "in/locked2"}, true);
  fs::permissions(in() / "locked", fs::perms::owner_all);
  fs::permissions(in() / "locked2", fs::perms::owner_all);
  std::string reason = std::strerror(EACCES);
  EXPECT_EQ(walked.status, 1);
  EXPECT_NE(walked.err.find("Could not read folder " + (in() / "locked").string() + ": " + reason),
            std::string::npos)
      << walked.err;
  EXPECT_TRUE(fs::exists(in() / "a_160x120.jpg"));
  EXPECT_EQ(named.status, 1);
  EXPECT_NE(named.err.find("Could not read folder " + (in() / "locked2").string() + ": " + reason),
            std::string::npos)
      << named.err;
}

}  // namespace
