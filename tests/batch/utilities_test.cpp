// Path splitting, existence tests, the clock and the processor answers of ReadRegValue.
#include "utilities/utilities.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "utilities/processor_list.h"
#include "utilities/user_prompts.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using testing_support::TempDir;
using testing_support::writeBytes;

TEST(PathSplit, NameAndFolderAtTheLastSlash) {
  EXPECT_EQ(FileNameOf("/e/a/b.jpg"), "b.jpg");
  EXPECT_EQ(FolderOf("/e/a/b.jpg"), "/e/a/");
  EXPECT_EQ(FileNameOf("b.jpg"), "b.jpg");
  EXPECT_EQ(FolderOf("b.jpg"), "");
  EXPECT_EQ(FileNameOf("/e/a/"), "");
  EXPECT_EQ(FolderOf("/e/a/"), "/e/a/");
  EXPECT_EQ(FileNameOf(""), "");
  EXPECT_EQ(FolderOf(""), "");
  EXPECT_EQ(FolderOf("/x"), "/");
}

class ExistenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeBytes(dir.file("plain.jpg"), {1, 2, 3});
    writeBytes(dir.file(".hidden.jpg"), {1});
    std::filesystem::create_directory(dir.file("folder"));
  }
  TempDir dir;
};

TEST_F(ExistenceTest, FileExistsOnlyForRegularFiles) {
  EXPECT_TRUE(FileExists(dir.file("plain.jpg")));
  EXPECT_TRUE(FileExists(dir.file(".hidden.jpg")));
  EXPECT_FALSE(FileExists(dir.file("folder")));
  EXPECT_FALSE(FileExists(dir.file("missing.jpg")));
  EXPECT_FALSE(FileExists(dir.file("plain.jpg/inside")));
  EXPECT_FALSE(FileExists(""));
}

TEST_F(ExistenceTest, FolderExistsForFoldersAndFiles) {
  EXPECT_TRUE(FolderExists(dir.file("folder")));
  EXPECT_TRUE(FolderExists(dir.file("folder") + "/"));
  EXPECT_TRUE(FolderExists(dir.file("plain.jpg")));
  EXPECT_FALSE(FolderExists(dir.file("missing")));
  EXPECT_FALSE(FolderExists(""));
}

TEST(Clock, NeverGoesBackAndCountsMilliseconds) {
  std::int64_t first = ClockMs();
  usleep(30000);
  std::int64_t second = ClockMs();
  EXPECT_GE(second - first, 30);
}

TEST(CpuList, RangesAndSingles) {
  for (int n : {0, 1, 2, 3, 6, 8, 9}) EXPECT_TRUE(CpuListContains("0-3,6,8-9", n)) << n;
  for (int n : {4, 5, 7, 10, -1}) EXPECT_FALSE(CpuListContains("0-3,6,8-9", n)) << n;
  EXPECT_TRUE(CpuListContains("0", 0));
  EXPECT_FALSE(CpuListContains("", 0));
  EXPECT_FALSE(CpuListContains("a-b", 0));
}

TEST(RegistryKey, OnlyTheProcessorClockValue) {
  const std::string key = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\";
  EXPECT_EQ(ProcessorOfRegistryKey(key + "7", "~Mhz"), 7);
  EXPECT_EQ(ProcessorOfRegistryKey("hardware\\description\\system\\centralprocessor\\3", "~MHZ"), 3);
  EXPECT_FALSE(ProcessorOfRegistryKey(key + "7", "Identifier"));
  EXPECT_FALSE(ProcessorOfRegistryKey(key, "~Mhz"));
  EXPECT_FALSE(ProcessorOfRegistryKey(key + "x", "~Mhz"));
  EXPECT_FALSE(ProcessorOfRegistryKey(key + "-1", "~Mhz"));
  EXPECT_FALSE(ProcessorOfRegistryKey("SOFTWARE\\Lumivex\\7", "~Mhz"));
}

// Counted independently: every online processor answers a number above 0, every other index
// answers nothing, so the count matches what the C library reports online.
TEST(ReadRegValue, AnswersOnlineProcessors) {
  const std::string key = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\";
  long answered = 0;
  for (int n = 0; n < 1024; ++n) {
    std::string text = ReadRegValue(kHkeyLocalMachine, key + std::to_string(n), "~Mhz");
    if (text.empty()) continue;
    EXPECT_GT(std::stol(text), 0) << n;
    ++answered;
  }
  EXPECT_EQ(answered, sysconf(_SC_NPROCESSORS_ONLN));
  EXPECT_EQ(ReadRegValue(kHkeyLocalMachine, key + "0", "ProcessorNameString"), "");
  EXPECT_EQ(ReadRegValue(kHkeyLocalMachine, "SOFTWARE\\Microsoft", "~Mhz"), "");
}

// Standard input replaced by a pipe holding "y": not a terminal, so the answer is No at once and
// the pipe is left unread.
TEST(TerminalPrompts, WithoutATerminalTheAnswerIsNo) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  ASSERT_EQ(write(pipeFds[1], "y\n", 2), 2);
  close(pipeFds[1]);
  int savedStdin = dup(STDIN_FILENO);
  dup2(pipeFds[0], STDIN_FILENO);
  testing::internal::CaptureStderr();
  bool answer = userPrompts().askYesNo("File a.jpg already exists, do you want to overwrite it?\r\n/x/a.jpg");
  std::string shown = testing::internal::GetCapturedStderr();
  char left = 0;
  ssize_t unread = read(STDIN_FILENO, &left, 1);
  dup2(savedStdin, STDIN_FILENO);
  close(savedStdin);
  close(pipeFds[0]);
  EXPECT_FALSE(answer);
  EXPECT_EQ(unread, 1);
  EXPECT_EQ(shown, "");  // nobody can answer, so nothing is asked
}

TEST(TerminalPrompts, NoticesGoToStandardError) {
  testing::internal::CaptureStderr();
  userPrompts().notice("Error reading Exif info (a.jpg): Permission denied");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error reading Exif info (a.jpg): Permission denied\n");
}

}  // namespace
}  // namespace lumivex
