// Journals, locks and refusals of the in-place save.
#include "config/save_journal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "config/file_system.h"
#include "config/opened_blocks.h"
#include "tests/support/fixtures.h"
#include "tests/support/test_files.h"

namespace {

std::string SrecordFile() {
  return SrecordTargetText(1, std::string(8000, '\x11'));
}

}  // namespace

TEST(SaveJournal, InterruptedSavesAreUndoneOnTheNextOpenAndStrangeJournalsLeftAlone) {
  TempDir dir;
  const std::string path = dir.File("board.s19"), original = SrecordFile();
  WriteFile(path, original);
  // A save that stopped after writing its journal and part of its changes.
  InPlaceSave save;
  save.path = path;
  save.fd = open(path.c_str(), O_RDWR);
  ASSERT_EQ(fstat(save.fd, &save.info), 0);
  save.changes = {{100, "XYZ"}, {3000, "Q"}};
  ASSERT_TRUE(WriteJournal(save));
  ASSERT_TRUE(ApplyChanges(save));
  close(save.fd);
  ASSERT_NE(ReadFile(path), original);
  const std::string journal = JournalPath(path);
  EXPECT_EQ(journal, dir.File(".board.s19.k7q-journal"));
  const std::string text = ReadFile(journal);

  Chip62500 chip;
  FileOutcome open = OpenConfigurableFile(chip, path);
  EXPECT_TRUE(open.ok);
  EXPECT_EQ(open.notices, std::vector<std::string>{"An interrupted save of \"" + path +
                                                   "\" was undone; the file is as it was "
                                                   "before that save."});
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_NE(access(journal.c_str(), F_OK), 0);
  // Torn, or of another file (the same name, another inode): named, left alone, no save.
  for (const std::string& strange : {text.substr(0, text.size() - 3), text}) {
    if (strange == text) {
      WriteFile(dir.File("new"), original);
      ASSERT_EQ(rename(dir.File("new").c_str(), path.c_str()), 0);
    }
    WriteFile(journal, strange);
    open = OpenConfigurableFile(chip, path);
    EXPECT_TRUE(open.ok);
    ASSERT_EQ(open.notices.size(), 1u);
    EXPECT_NE(open.notices[0].find(journal), std::string::npos);
    const FileOutcome saved = SaveConfigurableFile(chip, path, "", false);
    EXPECT_FALSE(saved.ok);
    EXPECT_NE(saved.reason.find(journal), std::string::npos);
    EXPECT_EQ(ReadFile(journal), strange);
    EXPECT_EQ(ReadFile(path), original);
  }
  unlink(journal.c_str());
  EXPECT_TRUE(OpenConfigurableFile(chip, path).notices.empty());
  EXPECT_TRUE(SaveConfigurableFile(chip, path, "", false).ok && EntryCount(dir.path()) == 1);
}

TEST(SaveJournal, LongNamesUnwritableFoldersAndFullDisks) {
  TempDir dir;
  // A name of 250 characters: the journal gets a short hashed name.
  const std::string longName = dir.File(std::string(246, 'n') + ".s19");
  WriteFile(longName, SrecordFile());
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, longName).ok);
  chip.SetValueText("fx", "10");
  EXPECT_TRUE(SaveConfigurableFile(chip, longName, "", false).ok);
  EXPECT_LT(JournalPath(longName).size() - dir.path().size(), 40u);
  // No journal can be made (a folder without write permission): written in place.
  const std::string path = WriteImage(dir, "image.elf");
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  FileSystemCalls calls = SystemFileCalls();
  calls.open = [](const char* p, int f, mode_t m) {
    return (f & O_TMPFILE) == O_TMPFILE ? (errno = EACCES, -1) : SystemFileCalls().open(p, f, m);
  };
  FileSystem() = calls;
  chip.SetValueText("fx", "11");
  EXPECT_TRUE(SaveConfigurableFile(chip, path, "", false).ok);
  FileSystem() = SystemFileCalls();
  Chip62500 reread;
  ASSERT_TRUE(OpenConfigurableFile(reread, path).ok);
  EXPECT_EQ(reread.GetFieldValue("fx"), 11u);
  // A file-size limit below the block: refused with the reason, nothing changed or left.
  const std::string before = ReadFile(path);
  if (fork() == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {512, 512};
    setrlimit(RLIMIT_FSIZE, &limit);
    chip.SetValueText("fx", "12");
    _exit(SaveConfigurableFile(chip, path, "", false).reason == "File too large" ? 0 : 1);
  }
  int status = -1;
  wait(&status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(EntryCount(dir.path()), 2u);
}

TEST(SaveJournal, ConcurrentSavesWaitForTheLockAndNeverLoseAnUpdate) {
  TempDir dir;
  for (const char* name : {"a.s19", "b.elf"}) {
    const std::string path = name[0] == 'b' ? WriteImage(dir, name) : dir.File(name);
    if (name[0] == 'a') WriteFile(path, SrecordFile());
    Chip62500 chip;
    ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
    chip.SetValueText("fy", "11");
    // Another program saves fx, then holds the lock a moment: this save waits, then finds
    // the other save in the file and is refused rather than drop it.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t other = fork();
    if (other == 0) {
      Chip62500 own;
      const bool saved = OpenConfigurableFile(own, path).ok && own.SetValueText("fx", "10") &&
                         SaveConfigurableFile(own, path, "", false).ok;
      const int fd = open(path.c_str(), O_RDWR);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      fcntl(fd, F_OFD_SETLK, &lock);
      if (write(ready[1], "x", 1) != 1) _exit(1);
      usleep(300000);
      _exit(saved ? 0 : 1);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]), close(ready[1]);
    const auto start = std::chrono::steady_clock::now();
    const FileOutcome late = SaveConfigurableFile(chip, path, "", false);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    int status = -1;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(late.ok);
    EXPECT_EQ(late.reason, kChangedSinceOpened);
    Chip62500 reread;
    ASSERT_TRUE(OpenConfigurableFile(reread, path).ok);
    EXPECT_EQ(reread.GetFieldValue("fx") * 100 + reread.GetFieldValue("fy"), 1008u);
  }
}
