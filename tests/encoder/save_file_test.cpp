// SaveFile's statuses and its failures: a file appears complete or not at all, an existing entry
// is never replaced, and nothing is left behind.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <system_error>

#include "encoder/cjpeg.h"
#include "encoder/jpeg_oracle.h"
#include "files/named_temporary_file.h"
#include "files/new_file.h"
#include "files/unnamed_temporary_file.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> entriesOf(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// An encoder that has sampled a picture and is ready to save.
struct SampledEncoder {
  explicit SampledEncoder(int width = 40, int height = 30)
      : picture(encoder_tests::syntheticImage(width, height)) {
    EXPECT_EQ(encoder.SampleHDC(picture.dc(), width, height, 0, 0), 0);
  }
  encoder_tests::DcPicture picture;
  cJpeg encoder;
};

TEST(SaveFile, WritesACompleteFileAndNothingElse) {
  SampledEncoder sampled;
  testing_support::TempDir folder;
  EXPECT_EQ(sampled.encoder.SaveFile(folder.file("photo.jpg")), 0);
  EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"photo.jpg"}));
  EXPECT_TRUE(encoder_tests::decodeJpegFile(folder.file("photo.jpg")).ok);
}

TEST(SaveFile, NewFilesTakeTheUmaskLikeAnyOther) {
  SampledEncoder sampled;
  testing_support::TempDir folder;
  mode_t previous = ::umask(022);
  EXPECT_EQ(sampled.encoder.SaveFile(folder.file("photo.jpg")), 0);
  ::umask(previous);
  EXPECT_EQ(fs::status(folder.file("photo.jpg")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(SaveFile, EmptyNameIsStatusOne) {
  SampledEncoder sampled;
  EXPECT_EQ(sampled.encoder.SaveFile(""), 1);
}

TEST(SaveFile, AnyExistingEntryOfThatNameIsStatusTwoAndStaysUntouched) {
  SampledEncoder sampled;
  testing_support::TempDir folder;
  testing_support::writeBytes(folder.file("old.jpg"), {1, 2, 3});
  testing_support::writeBytes(folder.file(".hidden.jpg"), {4, 5});
  fs::create_directory(folder.path() / "folder.jpg");
  fs::create_symlink(folder.path() / "nowhere.jpg", folder.path() / "dangling.jpg");
  const std::vector<std::string> before = entriesOf(folder.path());

  EXPECT_EQ(sampled.encoder.SaveFile(folder.file("old.jpg")), 2);
  EXPECT_EQ(sampled.encoder.SaveFile(folder.file(".hidden.jpg")), 2);
  EXPECT_EQ(sampled.encoder.SaveFile(folder.file("folder.jpg")), 2);
  EXPECT_EQ(sampled.encoder.SaveFile(folder.file("dangling.jpg")), 2);

  EXPECT_EQ(testing_support::readBytes(folder.file("old.jpg")), (Bytes{1, 2, 3}));
  EXPECT_EQ(testing_support::readBytes(folder.file(".hidden.jpg")), (Bytes{4, 5}));
  EXPECT_FALSE(fs::exists(folder.path() / "nowhere.jpg"));  // the link was not followed
  EXPECT_EQ(entriesOf(folder.path()), before);
}

TEST(SaveFile, ANameThatAppearsWhileWritingIsNotReplaced) {
  // The last step refuses to replace: writeNewFile on a name that is already taken.
  testing_support::TempDir folder;
  testing_support::writeBytes(folder.file("taken.jpg"), {9});
  EXPECT_EQ(writeNewFile(folder.file("taken.jpg"), Bytes(1000, 7)), NewFileStatus::AlreadyExists);
  EXPECT_EQ(testing_support::readBytes(folder.file("taken.jpg")), (Bytes{9}));
  EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"taken.jpg"}));
}

TEST(SaveFile, WithoutSampledDataIsSubscriptOutOfRange) {
  cJpeg encoder;
  testing_support::TempDir folder;
  try {
    encoder.SaveFile(folder.file("none.jpg"));
    FAIL();
  } catch (const EncoderError& e) {
    EXPECT_EQ(e.number(), 9);
  }
  // Factors set after sampling drop the coefficients too.
  SampledEncoder sampled;
  sampled.encoder.SetSamplingFrequencies(1, 1, 1, 1, 1, 1);
  EXPECT_THROW(sampled.encoder.SaveFile(folder.file("dropped.jpg")), EncoderError);
  EXPECT_TRUE(entriesOf(folder.path()).empty());
}

TEST(SaveFile, SegmentOverflowLeavesNoFile) {
  testing_support::TempDir folder;
  SampledEncoder euro;
  euro.encoder.setComment("5 \xE2\x82\xAC");  // the euro sign has no Latin-1 byte
  SampledEncoder exif;
  exif.encoder.setExif(Bytes(65534, 0));
  for (cJpeg* encoder : {&euro.encoder, &exif.encoder}) {
    try {
      encoder->SaveFile(folder.file("overflow.jpg"));
      ADD_FAILURE();
    } catch (const EncoderError& e) {
      EXPECT_EQ(e.number(), 6);
      EXPECT_STREQ(e.what(), "Overflow");
    }
  }
  EXPECT_TRUE(entriesOf(folder.path()).empty());
}

TEST(SaveFile, MissingFolderIsASystemError) {
  SampledEncoder sampled;
  testing_support::TempDir folder;
  try {
    sampled.encoder.SaveFile(folder.file("no/such/folder/photo.jpg"));
    FAIL();
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code().value(), ENOENT);
  }
  EXPECT_TRUE(entriesOf(folder.path()).empty());
}

// Runs `body` in a child process and returns its exit status; the child's own failures are exit
// codes, since a forked copy of the test runner must not report to it.
int inChild(const std::function<int()>& body) {
  ::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// 0 when SaveFile raised a system error with `expected`, else a code saying what happened.
int saveExpectingError(cJpeg& encoder, const std::string& path, int expected) {
  try {
    encoder.SaveFile(path);
    return 1;
  } catch (const std::system_error& e) {
    return e.code().value() == expected ? 0 : 2;
  } catch (...) {
    return 3;
  }
}

TEST(SaveFile, UnwritableFolderIsASystemErrorAndLeavesNothing) {
  SampledEncoder sampled;
  testing_support::TempDir folder;
  fs::path locked = folder.path() / "locked";
  fs::create_directory(locked);
  fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  std::string target = (locked / "photo.jpg").string();
  // Root ignores permissions: the child gives them up first.
  int status = inChild([&] {
    if (::geteuid() == 0) {
      const passwd* nobody = ::getpwnam("nobody");
      if (!nobody || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0) return 10;
    }
    return saveExpectingError(sampled.encoder, target, EACCES);
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(entriesOf(locked).empty());
}

TEST(SaveFile, DiskFullLeavesNoPartialFile) {
  SampledEncoder sampled(300, 200);  // a file of several kilobytes
  testing_support::TempDir folder;
  std::string target = folder.file("photo.jpg");
  int status = inChild([&] {
    // A file size limit fails the write like a full disk (EFBIG once the signal is ignored).
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, 1000};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
    return saveExpectingError(sampled.encoder, target, EFBIG);
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(entriesOf(folder.path()).empty());
  // With room again the same encoder writes the file.
  EXPECT_EQ(sampled.encoder.SaveFile(target), 0);
  EXPECT_TRUE(encoder_tests::decodeJpegFile(target).ok);
}

TEST(SaveFile, LookupFailuresAreSystemErrors) {
  SampledEncoder sampled;
  std::string tooLong = "/tmp/" + std::string(300, 'x') + ".jpg";
  EXPECT_THROW(sampled.encoder.SaveFile(tooLong), std::system_error);
  EXPECT_FALSE(directoryEntryExists("/tmp/no-such-folder-for-lumivex/x.jpg"));
}

TEST(SaveFile, ReplaceSwapsAnExistingFileForTheNewOne) {
  SampledEncoder sampled;
  testing_support::TempDir folder;
  testing_support::writeBytes(folder.file("old.jpg"), {1, 2, 3});
  EXPECT_EQ(sampled.encoder.SaveFile(folder.file("old.jpg"), ExistingFile::Replace), 0);
  EXPECT_EQ(sampled.encoder.SaveFile(folder.file("new.jpg"), ExistingFile::Replace), 0);
  EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"new.jpg", "old.jpg"}));
  EXPECT_TRUE(encoder_tests::decodeJpegFile(folder.file("old.jpg")).ok);
}

TEST(SaveFile, ReplaceRefusesFoldersAndSymbolicLinksAndFollowsNone) {
  SampledEncoder sampled;
  testing_support::TempDir folder;
  testing_support::writeBytes(folder.file("target.jpg"), {1, 2, 3});
  fs::create_directory(folder.path() / "folder.jpg");
  fs::create_symlink(folder.path() / "target.jpg", folder.path() / "link.jpg");
  fs::create_symlink(folder.path() / "nowhere.jpg", folder.path() / "dangling.jpg");
  const std::vector<std::string> before = entriesOf(folder.path());
  auto errorOf = [&](const std::string& name) {
    try {
      sampled.encoder.SaveFile(folder.file(name), ExistingFile::Replace);
    } catch (const std::system_error& e) {
      return e.code().value();
    }
    return 0;
  };
  EXPECT_EQ(errorOf("folder.jpg"), EISDIR);
  EXPECT_EQ(errorOf("link.jpg"), EEXIST);
  EXPECT_EQ(errorOf("dangling.jpg"), EEXIST);
  EXPECT_EQ(entriesOf(folder.path()), before);
  EXPECT_TRUE(fs::is_symlink(folder.path() / "link.jpg"));
  EXPECT_EQ(testing_support::readBytes(folder.file("target.jpg")), (Bytes{1, 2, 3}));
}

// The two ways a new file is written, each asked for directly: the unnamed one is skipped on a
// file system that has no unnamed temporary files.
using Writer = std::function<std::optional<NewFileStatus>(const std::string&, const Bytes&, ExistingFile)>;

struct Way {
  const char* name;
  Writer write;
};

Way unnamedWay(const char* name, Durability durability) {
  return {name, [durability](const std::string& path, const Bytes& bytes, ExistingFile existing) {
            return new_file::writeThroughUnnamedFile(path, bytes, existing, durability);
          }};
}

Way namedWay(const char* name, Durability durability) {
  return {name, [durability](const std::string& path, const Bytes& bytes, ExistingFile existing) {
            return std::optional<NewFileStatus>(
                new_file::writeThroughNamedFile(path, bytes, existing, durability));
          }};
}

bool unnamedFilesWork() {
  testing_support::TempDir probe;
  return new_file::writeThroughUnnamedFile(probe.file("probe"), {1}, ExistingFile::Keep, Durability::Now)
      .has_value();
}

// Each way flushed per file and batched (flushed later by FlushFolders).
std::vector<Way> availableWays() {
  std::vector<Way> ways = {namedWay("named", Durability::Now),
                           namedWay("named, batched", Durability::Batched)};
  if (unnamedFilesWork()) {
    ways.push_back(unnamedWay("unnamed", Durability::Now));
    ways.push_back(unnamedWay("unnamed, batched", Durability::Batched));
  }
  return ways;
}

TEST(NewFile, BothWaysKeepOrReplaceAndGiveTheUmasksPermissions) {
  for (const Way& way : availableWays()) {
    SCOPED_TRACE(way.name);
    testing_support::TempDir folder;
    testing_support::writeBytes(folder.file("taken.jpg"), {9});
    mode_t previous = ::umask(077);
    EXPECT_EQ(way.write(folder.file("taken.jpg"), Bytes(1000, 7), ExistingFile::Keep),
              NewFileStatus::AlreadyExists);
    EXPECT_EQ(testing_support::readBytes(folder.file("taken.jpg")), (Bytes{9}));
    EXPECT_EQ(way.write(folder.file("new.jpg"), Bytes(10, 5), ExistingFile::Keep), NewFileStatus::Written);
    EXPECT_EQ(way.write(folder.file("taken.jpg"), Bytes(20, 6), ExistingFile::Replace),
              NewFileStatus::Written);
    ::umask(previous);
    EXPECT_EQ(testing_support::readBytes(folder.file("new.jpg")), Bytes(10, 5));
    EXPECT_EQ(testing_support::readBytes(folder.file("taken.jpg")), Bytes(20, 6));
    EXPECT_EQ(fs::status(folder.file("new.jpg")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"new.jpg", "taken.jpg"}));
    EXPECT_TRUE(FlushFolders({folder.path(), folder.file("gone")}));
  }
}

// A file size limit fails the write part way like a full disk; the handler of SIGXFSZ picks what
// happens to the child then: nothing (the write fails with EFBIG) or a signal raised mid-write.
int writeInLimitedChild(const Way& way, const std::string& path, ExistingFile existing,
                        void (*onLimit)(int)) {
  return inChild([&] {
    ::signal(SIGXFSZ, onLimit);
    rlimit limit{1000, 1000};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
    try {
      way.write(path, Bytes(100000, 7), existing);
      return 1;
    } catch (const std::system_error& e) {
      return e.code().value() == EFBIG ? 0 : 2;
    }
  });
}

TEST(NewFile, AFullDiskWhileReplacingKeepsTheOldFile) {
  for (const Way& way : availableWays()) {
    SCOPED_TRACE(way.name);
    testing_support::TempDir folder;
    testing_support::writeBytes(folder.file("photo.jpg"), {1, 2, 3});
    EXPECT_EQ(writeInLimitedChild(way, folder.file("photo.jpg"), ExistingFile::Replace, SIG_IGN), 0);
    EXPECT_EQ(testing_support::readBytes(folder.file("photo.jpg")), (Bytes{1, 2, 3}));
    EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"photo.jpg"}));
  }
}

TEST(NewFile, AnUnnamedFileKilledMidWriteLeavesNothing) {
  if (!unnamedFilesWork()) GTEST_SKIP() << "no unnamed temporary files here";
  testing_support::TempDir folder;
  testing_support::writeBytes(folder.file("old.jpg"), {1, 2, 3});
  auto killed = [](int) { ::raise(SIGKILL); };
  for (ExistingFile existing : {ExistingFile::Keep, ExistingFile::Replace})
    EXPECT_EQ(
        writeInLimitedChild(unnamedWay("unnamed", Durability::Now), folder.file("old.jpg"), existing, killed),
        100 + SIGKILL);
  EXPECT_EQ(writeInLimitedChild(unnamedWay("unnamed", Durability::Now), folder.file("new.jpg"),
                                ExistingFile::Keep, killed),
            100 + SIGKILL);
  EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"old.jpg"}));
  EXPECT_EQ(testing_support::readBytes(folder.file("old.jpg")), (Bytes{1, 2, 3}));
}

TEST(NewFile, ANamedFileStoppedMidWriteBySigtermIsRemoved) {
  testing_support::TempDir folder;
  auto terminate = [](int) { ::raise(SIGTERM); };
  EXPECT_EQ(writeInLimitedChild(namedWay("named", Durability::Now), folder.file("photo.jpg"),
                                ExistingFile::Keep, terminate),
            100 + SIGTERM);
  EXPECT_TRUE(entriesOf(folder.path()).empty());
  // A program with its own SIGTERM handler keeps it (here one that exits with 42 at once).
  int status = inChild([&] {
    ::signal(SIGTERM, [](int) { ::_exit(42); });
    return writeInLimitedChild(namedWay("named", Durability::Now), folder.file("photo.jpg"),
                               ExistingFile::Keep, terminate) == 42
               ? 0
               : 1;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace lumivex
