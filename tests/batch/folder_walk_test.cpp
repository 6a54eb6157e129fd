// The extension filter, the folder walk with its per-level subfolder question, the drops and the
// queue.
#include "input/folder_walk.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "input/natural_order.h"
#include "settings/settings.h"
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

  void TearDown() override { settings = Settings{}; }

  void touch(const std::string& relative) {
    fs::create_directories((dir.path() / relative).parent_path());
    testing_support::writeBytes(dir.file(relative), {0});
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
  // root and sub1 have subfolders; deep and sub2 have none; .hidden is not walked.
  EXPECT_EQ(prompts.questions.size(), 2u);
  ASSERT_EQ(queue.count(), 4);
  for (std::int32_t i = 1; i <= queue.count(); ++i) EXPECT_EQ(queue.at(i).BaseDir, root()) << i;
  // Every image of a folder comes before those of its subfolders; the walk is depth first.
  EXPECT_EQ(indexOf("a.jpg"), 1);
  EXPECT_LT(indexOf("sub1/c.JPG"), indexOf("sub1/deep/d.gif"));
  EXPECT_EQ(indexOf(".hidden/f.jpg"), 0);
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
  EXPECT_TRUE(queue.problems().empty());  // no folder at all: the caller tells the user
}

TEST_F(FolderWalkTest, ALinkBackToAnAncestorIsNotWalkedAgain) {
  fs::create_directory_symlink(dir.path(), dir.path() / "sub2" / "loop");
  for (int i = 0; i < 10; ++i) prompts.answer(true);
  AddFolder(root(), "", queue);
  EXPECT_EQ(queue.count(), 4);
  EXPECT_EQ(indexOf("sub2/loop/a.jpg"), 0);
}

TEST_F(FolderWalkTest, DroppedFilesAndFolders) {
  // A hidden file named by the user is taken like any other; only the walk passes hidden names by.
  testing_support::writeBytes(dir.file(".g.jpg"), {0});
  QueueDroppedFiles({root() + "/a.jpg", root() + "/notes.txt", root() + "/sub2", root() + "/.g.jpg"}, queue);
  ASSERT_EQ(queue.count(), 3);
  EXPECT_EQ(queue.at(1).Path, root() + "/a.jpg");
  EXPECT_EQ(queue.at(1).BaseDir, root() + "/");
  EXPECT_EQ(queue.at(2).Path, root() + "/sub2/e.bmp");
  EXPECT_EQ(queue.at(2).BaseDir, root() + "/sub2");
  EXPECT_EQ(queue.at(3).Path, root() + "/.g.jpg");
}

TEST_F(FolderWalkTest, ADroppedTextNamingAFileIsQueuedWithoutFilter) {
  QueueDroppedText(root() + "/notes.txt", queue);
  QueueDroppedText(root() + "/sub1", queue);
  ASSERT_EQ(queue.count(), 1);
  EXPECT_EQ(queue.at(1).Path, root() + "/notes.txt");
  EXPECT_EQ(queue.at(1).BaseDir, root() + "/");
}

TEST(NaturalOrder, DigitRunsCompareByValue) {
  std::vector<std::string> names = {
      "img10.jpg", "img2.jpg", "IMG1.jpg",  "img1.jpg",  "img01.jpg",
      "b.jpg",     "A.jpg",    "img2a.jpg", "img 3.jpg", "img99999999999999999999.jpg"};
  SortNaturally(names);
  EXPECT_EQ(names,
            (std::vector<std::string>{"A.jpg", "b.jpg", "img 3.jpg", "IMG1.jpg", "img01.jpg", "img1.jpg",
                                      "img2.jpg", "img2a.jpg", "img10.jpg", "img99999999999999999999.jpg"}));
  EXPECT_FALSE(NaturalLess("x", "x"));
  EXPECT_TRUE(NaturalLess("x", "x0"));
}

TEST_F(FolderWalkTest, FilesAndSubfoldersComeInNaturalOrder) {
  for (const char* name : {"p10.jpg", "p9.jpg", "p1.jpg", "P2.jpg", "p100.jpg", "d10/x.jpg", "d9/x.jpg"})
    touch(std::string("n/") + name);
  prompts.answer(true);
  AddFolder(root() + "/n", "", queue);
  std::string n = root() + "/n/";
  EXPECT_EQ(queuedPaths(), (std::vector<std::string>{n + "p1.jpg", n + "P2.jpg", n + "p9.jpg", n + "p10.jpg",
                                                     n + "p100.jpg", n + "d9/x.jpg", n + "d10/x.jpg"}));
}

// A FIFO would block the run that opens it, for ever; a link to nothing is queued so that the run
// names it as a photo it cannot open.
TEST_F(FolderWalkTest, OnlyVisibleRegularFilesAreQueued) {
  fs::create_directories(dir.path() / "s/.thumbnails");
  touch("s/.thumbnails/t.jpg");
  touch("s/._a.jpg");
  touch("s/a.jpg");
  ASSERT_EQ(mkfifo(dir.file("s/fifo.jpg").c_str(), 0600), 0);
  fs::create_symlink(dir.path() / "s/fifo.jpg", dir.path() / "s/to_fifo.jpg");
  fs::create_symlink(dir.path() / "s/a.jpg", dir.path() / "s/to_a.jpg");
  fs::create_symlink(dir.path() / "s/nothing.jpg", dir.path() / "s/broken.jpg");
  AddFolder(root() + "/s", "", queue);
  std::string s = root() + "/s/";
  EXPECT_EQ(queuedPaths(), (std::vector<std::string>{s + "a.jpg", s + "broken.jpg", s + "to_a.jpg"}));
  EXPECT_TRUE(prompts.questions.empty());  // .thumbnails is no subfolder to offer
}

TEST_F(FolderWalkTest, TheRunsOwnSubfoldersAreNotWalked) {
  settings.DestinationMode = DestinationMode::Subfolder;
  settings.SubfolderName = "small_%WIDTH%x%HEIGHT%/jpg";
  for (const char* file : {"t/a.jpg", "t/small_160x120/a_160x120.jpg", "t/sub/small_8x6/b.jpg", "t/sub/b.jpg",
                           "t/small_x/c.jpg", "t/small_160x120y/d.jpg"})
    touch(file);
  for (int i = 0; i < 5; ++i) prompts.answer(true);
  AddFolder(root() + "/t", "", queue);
  std::string t = root() + "/t/";
  EXPECT_EQ(queuedPaths(), (std::vector<std::string>{t + "a.jpg", t + "small_160x120y/d.jpg",
                                                     t + "small_x/c.jpg", t + "sub/b.jpg"}));
  // sub's only subfolder is an output: no question for it.
  EXPECT_EQ(prompts.questions.size(), 1u);
  // A root named by the user is walked whatever its name.
  queue.reset();
  AddFolder(root() + "/t/small_160x120", "", queue);
  EXPECT_EQ(queue.count(), 1);
}

TEST_F(FolderWalkTest, TheFixedFolderInsideTheTreeIsNotWalked) {
  settings.DestinationMode = DestinationMode::FixedFolder;
  for (const char* file : {"f/a.jpg", "f/out/x.jpg", "f/f_320/y.jpg", "f/f_abc/z.jpg", "f/g/out/w.jpg"})
    touch(file);
  fs::create_directory_symlink(dir.path() / "f/out", dir.path() / "f/g/link");
  std::string f = root() + "/f/";
  for (std::string fixed : {root() + "/f/out/", root() + "/f/%SUBDIR%_%WIDTH%"}) {
    settings.FixedFolder = fixed;
    settings.SubfolderName = "g";  // not the destination in this mode
    for (int i = 0; i < 5; ++i) prompts.answer(true);
    queue.reset();
    AddFolder(root() + "/f", "", queue);
    std::vector<std::string> paths = queuedPaths();
    EXPECT_NE(std::find(paths.begin(), paths.end(), f + "g/out/w.jpg"), paths.end()) << fixed;
    EXPECT_NE(std::find(paths.begin(), paths.end(), f + "f_abc/z.jpg"), paths.end()) << fixed;
    bool outWalked = std::find(paths.begin(), paths.end(), f + "out/x.jpg") != paths.end();
    bool linkWalked = std::find(paths.begin(), paths.end(), f + "g/link/x.jpg") != paths.end();
    bool sizedWalked = std::find(paths.begin(), paths.end(), f + "f_320/y.jpg") != paths.end();
    EXPECT_EQ(outWalked, fixed != root() + "/f/out/") << fixed;
    EXPECT_EQ(linkWalked, outWalked) << fixed;
    EXPECT_EQ(sizedWalked, !outWalked) << fixed;
  }
}

// Root reads any folder; the child gives its privileges up first.
TEST_F(FolderWalkTest, UnreadableFoldersAreRecordedWithTheirReason) {
  touch("u/a.jpg");
  touch("u/locked/b.jpg");
  touch("u/open/c.jpg");
  fs::permissions(dir.path(), fs::perms::all);
  fs::permissions(dir.path() / "u/locked", fs::perms::none);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(10);
    }
    testing_support::ScriptedPrompts yes;
    yes.answer(true);
    PendingFiles walked;
    AddFolder(root() + "/u", "", walked);
    AddFolder(root() + "/u/locked/", "", walked);
    AddFolder(root() + "/missing", "", walked);  // no folder at all: the caller reports it
    std::string expected = "Could not read folder " + root() + "/u/locked: " + std::strerror(EACCES);
    if (walked.count() != 2 || walked.problems().size() != 2) _exit(11);
    for (const WalkProblem& problem : walked.takeProblems())
      if (WalkProblemText(problem) != expected) _exit(12);
    _exit(walked.problems().empty() ? 0 : 13);
  }
  int status = 0;
  waitpid(child, &status, 0);
  fs::permissions(dir.path() / "u/locked", fs::perms::owner_all);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
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
