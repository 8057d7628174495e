// The file calls beneath every read and save: what they say of a missing file, a folder
// or a pipe where a file is expected, and which changes between two looks at a file count.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "storage/locked_file.h"
#include "storage/safe_file.h"
#include "storage/save_journal.h"
#include "tests/support/test_files.h"

namespace k7q {

TEST(FileCalls, MissingFilesFoldersAndPipesAreRefusedWithTheirReason) {
  TempDir dir;
  const std::string a = dir.File("a.txt"), b = dir.File("b.txt"), missing = dir.File("none");
  WriteFile(a, "text");
  std::string text, error;
  EXPECT_FALSE(ReadWholeFile(missing, 1, &text, &error));
  EXPECT_EQ(error, "ERROR: open failed on input file " + missing);
  EXPECT_FALSE(ReadWholeFile(dir.path(), 1, &text, &error));
  EXPECT_EQ(error, "ERROR: read failed on input file " + dir.path() + ": Is a directory");
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  EXPECT_FALSE(ReadAll(ends[0], "pipe", &text, &error));
  EXPECT_EQ(error, "ERROR: _lseek to end failed, file:pipe");
  close(ends[0]), close(ends[1]);
  FileDescriptor copy(open(dir.File("copy").c_str(), O_RDWR | O_CREAT, 0600));
  EXPECT_FALSE(CopyContents(missing, copy.get()));
  EXPECT_FALSE(CopyContents(dir.path(), copy.get()));
  ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
  EXPECT_TRUE(SameFile(a, b));
  EXPECT_FALSE(SameFile(a, missing));
  EXPECT_FALSE(SameFile(missing, a));
  EXPECT_FALSE(SameFile(a, dir.File("copy")));
  EXPECT_FALSE(SameFile(a, "/proc/self/status"));  // another file system
}

TEST(FileCalls, EveryFieldThatAWriteChangesCountsAsAChange) {
  TempDir dir;
  WriteFile(dir.File("a.txt"), "text");
  struct stat then {};
  ASSERT_EQ(stat(dir.File("a.txt").c_str(), &then), 0);
  EXPECT_TRUE(Unchanged(then, then));
  using Change = void (*)(struct stat&);
  const std::vector<Change> changes = {
      [](struct stat& s) { ++s.st_dev; },          [](struct stat& s) { ++s.st_ino; },
      [](struct stat& s) { ++s.st_size; },         [](struct stat& s) { ++s.st_mtim.tv_sec; },
      [](struct stat& s) { ++s.st_mtim.tv_nsec; }, [](struct stat& s) { ++s.st_ctim.tv_sec; },
      [](struct stat& s) { ++s.st_ctim.tv_nsec; }};
  for (size_t i = 0; i < changes.size(); ++i) {
    struct stat now = then;
    changes[i](now);
    EXPECT_FALSE(Unchanged(now, then)) << i;
  }
}

// A journal left alone is said whether the file is read or saved; a file held for a save
// by another is refused after a wait (ten seconds).
TEST(FileCalls, LockedFilesSayWhatKeepsThemFromBeingRead) {
  TempDir dir;
  const std::string a = dir.File("a.txt");
  WriteFile(a, "text");
  WriteFile(JournalPath(a), "K7QJRNL1 older");
  for (const bool forSaving : {false, true}) {
    const LockedFile file = OpenLockedFile(a, forSaving);
    EXPECT_EQ(file.reason, "");
    EXPECT_TRUE(file.journalInTheWay);
    ASSERT_EQ(file.notices.size(), 1u);
    EXPECT_NE(file.notices[0].find("was written by an older version"), std::string::npos);
  }
  ASSERT_EQ(unlink(JournalPath(a).c_str()), 0);
  const LockedFile held = OpenLockedFile(a, true);
  ASSERT_EQ(held.reason, "");
  EXPECT_EQ(OpenLockedFile(a, false).reason,
            "The file is being saved by another program; try again when it is done.");
}

}  // namespace k7q
