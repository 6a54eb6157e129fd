// The split of an argument string, and what each piece queues.
#include "input/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scripted_prompts.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

namespace fs = std::filesystem;

using Pieces = std::vector<std::string>;

TEST(SplitCommandLine, QuotedPathsSplitAtQuoteBlankQuote) {
  EXPECT_EQ(SplitCommandLine("\"/a b/x.jpg\" \"/c/y.jpg\""), (Pieces{"/a b/x.jpg", "/c/y.jpg"}));
  EXPECT_EQ(SplitCommandLine("\" /a/x.jpg \""), (Pieces{"/a/x.jpg"}));
}

TEST(SplitCommandLine, UnquotedPathsSplitAtEveryBlank) {
  EXPECT_EQ(SplitCommandLine("/a/x.jpg /b/y.jpg"), (Pieces{"/a/x.jpg", "/b/y.jpg"}));
  EXPECT_EQ(SplitCommandLine("/a/x.jpg  /b"), (Pieces{"/a/x.jpg", "", "/b"}));
  EXPECT_EQ(SplitCommandLine(""), Pieces{});
}

TEST(SplitCommandLine, AnUnquotedPathBesideAQuotedOneStaysOnePiece) {
  EXPECT_EQ(SplitCommandLine("/a/x.jpg \"/b c/y.jpg\""), (Pieces{"/a/x.jpg /b c/y.jpg"}));
}

class QueueCommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.path() / "with blank");
    fs::create_directories(dir.path() / "folder" / "sub");
    for (const char* name :
         {"with blank/one.jpg", "two.JPG", "notes.txt", "folder/three.gif", "folder/sub/four.bmp"})
      testing_support::writeBytes(dir.file(name), {1, 2, 3});
  }
  testing_support::TempDir dir;
  testing_support::ScriptedPrompts prompts;  // no answers queued: every question is answered No
  PendingFiles queue;
};

TEST_F(QueueCommandLineTest, TwoQuotedPathsQueueBoth) {
  std::string one = dir.file("with blank/one.jpg"), two = dir.file("two.JPG");
  QueueCommandLine("\"" + one + "\" \"" + two + "\"", queue);
  ASSERT_EQ(queue.count(), 2);
  EXPECT_EQ(queue.at(1).Path, one);
  EXPECT_EQ(queue.at(1).BaseDir, dir.file("with blank/"));
  EXPECT_EQ(queue.at(2).Path, two);
  EXPECT_EQ(queue.at(2).BaseDir, dir.path().string() + "/");
}

TEST_F(QueueCommandLineTest, AMixedLineNamesNothing) {
  QueueCommandLine(dir.file("two.JPG") + " \"" + dir.file("with blank/one.jpg") + "\"", queue);
  EXPECT_EQ(queue.count(), 0);
}

TEST_F(QueueCommandLineTest, AFolderIsWalkedWithItselfAsBase) {
  std::string folder = dir.file("folder");
  std::vector<std::string> skipped = QueueCommandLinePieces({folder}, queue);
  EXPECT_TRUE(skipped.empty());
  ASSERT_EQ(queue.count(), 1);
  EXPECT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(queue.at(1).Path, folder + "/three.gif");
  EXPECT_EQ(queue.at(1).BaseDir, folder);
}

TEST_F(QueueCommandLineTest, PiecesThatNameNoImageAreReturned) {
  std::vector<std::string> skipped = QueueCommandLinePieces(
      {dir.file("notes.txt"), dir.file("missing.jpg"), "", dir.file("two.JPG")}, queue);
  EXPECT_EQ(skipped, (Pieces{dir.file("notes.txt"), dir.file("missing.jpg")}));
  ASSERT_EQ(queue.count(), 1);
  EXPECT_EQ(queue.at(1).Path, dir.file("two.JPG"));
}

TEST_F(QueueCommandLineTest, RelativePiecesAreQueuedAsFullPaths) {
  fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  std::vector<std::string> skipped = QueueCommandLinePieces({"two.JPG", "./folder/"}, queue);
  fs::current_path(previous);
  EXPECT_TRUE(skipped.empty());
  ASSERT_EQ(queue.count(), 2);
  EXPECT_EQ(queue.at(1).Path, dir.file("two.JPG"));
  EXPECT_EQ(queue.at(1).BaseDir, dir.path().string() + "/");
  EXPECT_EQ(queue.at(2).Path, dir.file("folder/three.gif"));
  EXPECT_EQ(queue.at(2).BaseDir, dir.file("folder/"));
}

}  // namespace
}  // namespace lumivex
