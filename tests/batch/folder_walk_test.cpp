// The extension filter, the folder walk with its per-level subfolder question, the drops and the
// queue.
#include "batch/folder_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/scripted_prompts.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

namespace fs = std::filesystem;

TEST(IsSupportedImage, AcceptsThePictureExtensionsInAnyCase) {
  for (const char* name : {"a.jpg", "a.JPEG", "a.Jpg", "b.jpeg", "c.bmp", "d.GIF", "e.hdp", "f.WDP", ".jpg",
                           "a.tif", "a.TIFF", "a.png", "a.WebP", "a.heic", "a.HEIF", "a.avif"})
    EXPECT_TRUE(IsSupportedImage(name)) << name;
  for (const char* name : {"a.jpe", "ab", "jpg", "a.jpg.txt", "a.webp.txt", "awebp", ""})
    EXPECT_FALSE(IsSupportedImage(name)) << name;
}

class FolderWalkTest : public ::testing::Test {
 protected:
  // root: a.jpg, notes.txt, sub1/{c.JPG, deep/d.gif}, sub2/e.bmp, .hidden/f.jpg
  void SetUp() override {
    for (const char* folder : {"sub1/deep", "sub2", ".hidden"}) fs::create_directories(dir.path() / folder);
    for (const char* file :
         {"a.jpg", "notes.txt", "sub1/c.JPG", "sub1/deep/d.gif", "sub2/e.bmp", ".hidden/f.jpg"})
      testing_support::writeBytes(dir.file(file), {0});
  }

  std::string root() const { return dir.path().string(); }

  std::vector<std::string> queuedPaths() const {
    std::vector<std::string> paths;
    for (std::int32_t i = 1; i <= queue.count(); ++i) paths.push_back(queue.at(i).Path);
    return paths;
  }

  std::int32_t indexOf(const std::string& relative) const {
    for (std::int32_t i = 1; i <= queue.count(); ++i)
      if (queue.at(i).Path == root() + "/" + relative) return i;
    return 0;
  }

  testing_support::TempDir dir;
  testing_support::ScriptedPrompts prompts;
  PendingFiles queue;
};

TEST_F(FolderWalkTest, NoToTheFirstQuestionQueuesOnlyTheTopImages) {
  AddFolder(root(), "", queue);
  EXPECT_EQ(queuedPaths(), std::vector<std::string>{root() + "/a.jpg"});
  EXPECT_EQ(queue.at(1).BaseDir, root());
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0], "Do you want to process subfolders of \n" + root() + "\n as well?");
}

TEST_F(FolderWalkTest, TheQuestionComesOncePerFolderWithSubfolders) {
  for (int i = 0; i < 3; ++i) prompts.answer(true);
  AddFolder(root() + "/", "", queue);
  // root and sub1 have subfolders; deep, sub2 and .hidden have none.
  EXPECT_EQ(prompts.questions.size(), 2u);
  ASSERT_EQ(queue.count(), 5);
  for (std::int32_t i = 1; i <= queue.count(); ++i) EXPECT_EQ(queue.at(i).BaseDir, root()) << i;
  // Every image of a folder comes before those of its subfolders; the walk is depth first.
  EXPECT_EQ(indexOf("a.jpg"), 1);
  EXPECT_LT(indexOf("sub1/c.JPG"), indexOf("sub1/deep/d.gif"));
  EXPECT_GT(indexOf(".hidden/f.jpg"), 0);
  EXPECT_GT(indexOf("sub2/e.bmp"), 0);
  EXPECT_EQ(indexOf("notes.txt"), 0);
}

TEST_F(FolderWalkTest, NoAtALowerLevelSkipsOnlyThatLevel) {
  prompts.answer(true);   // root
  prompts.answer(false);  // sub1
  AddFolder(root(), "", queue);
  EXPECT_GT(indexOf("sub1/c.JPG"), 0);
  EXPECT_EQ(indexOf("sub1/deep/d.gif"), 0);
  EXPECT_GT(indexOf("sub2/e.bmp"), 0);
}

TEST_F(FolderWalkTest, AGivenBaseFolderIsKept) {
  AddFolder(root() + "/sub2", "/base", queue);
  ASSERT_EQ(queue.count(), 1);
  EXPECT_EQ(queue.at(1).Path, root() + "/sub2/e.bmp");
  EXPECT_EQ(queue.at(1).BaseDir, "/base");
  EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(FolderWalkTest, AMissingFolderAddsNothing) {
  AddFolder(root() + "/missing", "", queue);
  AddFolder(root() + "/a.jpg", "", queue);
  EXPECT_EQ(queue.count(), 0);
  EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(FolderWalkTest, ALinkBackToAnAncestorIsNotWalkedAgain) {
  fs::create_directory_symlink(dir.path(), dir.path() / "sub2" / "loop");
  for (int i = 0; i < 10; ++i) prompts.answer(true);
  AddFolder(root(), "", queue);
  EXPECT_EQ(queue.count(), 5);
  EXPECT_EQ(indexOf("sub2/loop/a.jpg"), 0);
}

TEST_F(FolderWalkTest, DroppedFilesAndFolders) {
  // A hidden file is taken for a folder, which lists nothing.
  testing_support::writeBytes(dir.file(".g.jpg"), {0});
  QueueDroppedFiles({root() + "/a.jpg", root() + "/notes.txt", root() + "/sub2", root() + "/.g.jpg"}, queue);
  ASSERT_EQ(queue.count(), 2);
  EXPECT_EQ(queue.at(1).Path, root() + "/a.jpg");
  EXPECT_EQ(queue.at(1).BaseDir, root() + "/");
  EXPECT_EQ(queue.at(2).Path, root() + "/sub2/e.bmp");
  EXPECT_EQ(queue.at(2).BaseDir, root() + "/sub2");
}

TEST_F(FolderWalkTest, ADroppedTextNamingAFileIsQueuedWithoutFilter) {
  QueueDroppedText(root() + "/notes.txt", queue);
  QueueDroppedText(root() + "/sub1", queue);
  ASSERT_EQ(queue.count(), 1);
  EXPECT_EQ(queue.at(1).Path, root() + "/notes.txt");
  EXPECT_EQ(queue.at(1).BaseDir, root() + "/");
}

TEST(PendingFiles, NumbersEntriesFromOne) {
  PendingFiles queue;
  EXPECT_EQ(queue.count(), 0);
  queue.append({"a", "x"});
  queue.append({"b", "x"});
  queue.append({"c", "x"});
  EXPECT_EQ(queue.at(2).Path, "b");
  queue.removeServed(2);
  ASSERT_EQ(queue.count(), 1);
  EXPECT_EQ(queue.at(1).Path, "c");
  queue.removeServed(5);
  EXPECT_EQ(queue.count(), 0);
  queue.append({"d", "x"});
  queue.reset();
  EXPECT_EQ(queue.count(), 0);
}

}  // namespace
}  // namespace lumivex
