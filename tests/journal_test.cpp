// Journals of interrupted saves: found through any link of the file, applied only to the
// bytes they were written for, refused when crafted, foreign or out of range; saves in a
// folder that takes no journal; what the user is told of a journal left alone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "storage/file_system.h"
#include "storage/journal_format.h"
#include "storage/save_journal.h"
#include "storage/staged_file.h"
#include "tests/support/cli_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

constexpr uid_t kOtherUser = 65534;

// An image of 2241 bytes whose block starts at offset before.
std::string Image(const std::string& description, size_t before) {
  return ImageWith(StoredBlock(WithDescription(DefaultHalStruct(), description), false), before,
                   1777 - before);
}

// Saves fx=11 into the file in a child that is killed just before it removes the journal:
// the file holds the save, the journal beside it the bytes from before.
void SaveKilledBeforeTheJournalGoes(const std::string& path) {
  if (fork() == 0) {
    Chip62500 chip;
    if (!OpenConfigurableFile(chip, path).ok) _exit(1);
    chip.SetValueText("fx", "11");
    FileSystem().unlink = [](const char*) { return raise(SIGKILL); };
    SaveConfigurableFile(chip, path, "", false);
    _exit(2);
  }
  int status = 0;
  wait(&status);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(access(JournalPath(path).c_str(), F_OK), 0);
}

// Opens the file; the one notice, which names the journal. A save is then refused.
std::string LeftAlone(const std::string& path) {
  Chip62500 chip;
  const FileOutcome open = OpenConfigurableFile(chip, path);
  EXPECT_TRUE(open.ok);
  EXPECT_EQ(open.notices.size(), 1u);
  const std::string notice = open.notices.empty() ? "" : open.notices[0];
  EXPECT_NE(notice.find(JournalPath(path)), std::string::npos) << notice;
  const FileOutcome save = SaveConfigurableFile(chip, path, "", false);
  EXPECT_FALSE(save.ok);
  EXPECT_NE(save.reason.find(JournalPath(path)), std::string::npos) << save.reason;
  return notice;
}

// Runs body in a child as another user; its exit status.
template <typename Body>
int AsOtherUser(Body body) {
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(kOtherUser) != 0 || setuid(kOtherUser) != 0) _exit(99);
    _exit(body());
  }
  int status = -1;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int pwrites = 0;

// The system's calls, but no folder takes a journal and writes are counted.
FileSystemCalls NoJournalAnywhere() {
  FileSystemCalls calls = SystemFileCalls();
  calls.open = [](const char* p, int f, mode_t m) {
    return (f & O_TMPFILE) == O_TMPFILE || (f & O_CREAT) ? (errno = EACCES, -1)
                                                         : SystemFileCalls().open(p, f, m);
  };
  calls.pwrite = [](int fd, const void* d, size_t n, off_t o) {
    return ++pwrites, SystemFileCalls().pwrite(fd, d, n, o);
  };
  return calls;
}

}  // namespace

TEST(Journal, AKilledSaveIsUndoneThroughAnotherLinkOfTheFile) {
  TempDir dir;
  const std::string a = WriteImage(dir, "a.elf"), f = dir.File("f.elf"), g = dir.File("g.elf");
  WriteFile(f, ReadFile(a));
  ASSERT_EQ(link(f.c_str(), g.c_str()), 0);
  SaveKilledBeforeTheJournalGoes(f);
  ASSERT_NE(ReadFile(f), ReadFile(a));
  // A save through g, of settings loaded from the copy: f's journal is found and undone
  // first, then g saved; no journal is left.
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, a).ok);
  chip.SetValueText("fy", "12");
  const FileOutcome save = SaveConfigurableFile(chip, g, "", false);
  ASSERT_TRUE(save.ok) << save.reason;
  EXPECT_EQ(save.notices, std::vector<std::string>{"An interrupted save of \"" + g +
                                                   "\" was undone; the file is as it was "
                                                   "before that save."});
  EXPECT_EQ(EntryCount(dir.path()), 3u);
  Chip62500 reread;
  ASSERT_TRUE(OpenConfigurableFile(reread, f).ok);
  EXPECT_EQ(reread.GetFieldValue("fx") * 100 + reread.GetFieldValue("fy"),
            chip.GetFieldValue("fx") * 100 + 12);
  EXPECT_NE(chip.GetFieldValue("fx"), 11u);
  // A shorter whole output onto f, killed as it ends, changed bytes that no save of an
  // image changes; opening the image through g undoes it all the same.
  const std::string before = ReadFile(f);
  if (fork() == 0) {
    FileSystem().unlink = [](const char*) { return raise(SIGKILL); };
    WriteWholeOutput(f, "a short export");
    _exit(2);
  }
  int status = 0;
  wait(&status);
  ASSERT_EQ(ReadFile(g), "a short export");
  EXPECT_TRUE(OpenConfigurableFile(reread, g).ok);
  EXPECT_EQ(ReadFile(f), before);
  EXPECT_EQ(EntryCount(dir.path()), 3u);
}

TEST(Journal, OnlyTheFilesOwnBytesAreEverWrittenBack) {
  TempDir dir;
  const std::string path = dir.File("f.elf"), journal = JournalPath(path);
  const std::string original = Image("first build", 1000);
  struct stat info;
  // Replaced in place by another build of the same size: the journal's ranges hold
  // neither side of its save, so file and journal are left alone.
  WriteFile(path, original);
  SaveKilledBeforeTheJournalGoes(path);
  const std::string text = ReadFile(journal), other = Image("second build", 1500);
  const int fd = open(path.c_str(), O_WRONLY);
  ASSERT_EQ(pwrite(fd, other.data(), other.size(), 0), static_cast<ssize_t>(other.size()));
  close(fd);
  EXPECT_NE(LeftAlone(path).find("no longer matches"), std::string::npos);
  EXPECT_EQ(ReadFile(path), other);
  EXPECT_EQ(ReadFile(journal), text);
  // Crafted in the journal's own format for this very file: a range at offset 0, or one
  // that reaches 2^64, lies outside what a save of an image changes.
  WriteFile(path, original);
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  const auto crafted = [&](uint64_t offset, std::string before, std::string after) {
    JournalSection section;
    section.device = info.st_dev, section.inode = info.st_ino;
    section.lengthBefore = section.lengthAfter = original.size();
    section.ranges.push_back({offset, std::move(before), std::move(after)});
    return EncodeJournal({section});
  };
  for (const std::string& forged :
       {crafted(0, "EVIL", original.substr(0, 4)), crafted(UINT64_MAX - 3, "EVIL", "GOOD"),
        crafted(original.size() - 2, "EVIL", "GOOD")}) {
    WriteFile(journal, forged);
    EXPECT_NE(LeftAlone(path).find("was not written by a save of this file"), std::string::npos);
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(ReadFile(journal), forged);
  }
  // A genuine journal owned by another user, or writable by others, is foreign too; as
  // the file's own it undoes the save.
  unlink(journal.c_str());
  SaveKilledBeforeTheJournalGoes(path);
  const std::string saved = ReadFile(path);
  const std::pair<uid_t, mode_t> strangers[] = {{kOtherUser, 0600}, {0, 0602}, {0, 0620}};
  for (const auto& [owner, mode] : strangers) {
    ASSERT_EQ(chown(journal.c_str(), owner, owner), 0);
    ASSERT_EQ(chmod(journal.c_str(), mode), 0);
    LeftAlone(path);
    EXPECT_EQ(ReadFile(path), saved);
  }
  // Written by an older build: named as such and left alone.
  ASSERT_EQ(chown(journal.c_str(), 0, 0) | chmod(journal.c_str(), 0600), 0);
  const std::string genuine = ReadFile(journal);
  WriteFile(journal, SealJournal("K7QJRNL1" + genuine.substr(8, genuine.size() - 16)));
  EXPECT_NE(LeftAlone(path).find("was written by an older version of this program; this "
                                 "version cannot undo"),
            std::string::npos);
  EXPECT_EQ(ReadFile(path), saved);
  WriteFile(journal, genuine);
  Chip62500 chip;
  EXPECT_TRUE(OpenConfigurableFile(chip, path).ok);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(Journal, AFolderThatTakesNoJournalGetsOneWriteAndANote) {
  TempDir dir;
  const std::string path = WriteImage(dir, "f.elf");
  Chip62500 chip;
  ASSERT_TRUE(OpenConfigurableFile(chip, path).ok);
  chip.SetValueText("cfgdesc", "far from the clocks");
  chip.SetValueText("fx", "11");
  pwrites = 0;
  FileSystem() = NoJournalAnywhere();
  const FileOutcome save = SaveConfigurableFile(chip, path, "", false);
  FileSystem() = SystemFileCalls();
  ASSERT_TRUE(save.ok) << save.reason;
  EXPECT_EQ(pwrites, 1);
  EXPECT_EQ(save.notices, std::vector<std::string>{SavedWithoutJournal(path)});
  Chip62500 reread;
  ASSERT_TRUE(OpenConfigurableFile(reread, path).ok);
  EXPECT_EQ(reread.GetFieldValue("fx"), 11u);
  // A whole output onto a file with two names may change its length: never without one.
  const std::string output = dir.File("out.txt"), other = dir.File("other.txt");
  WriteFile(output, "old output");
  ASSERT_EQ(link(output.c_str(), other.c_str()), 0);
  FileSystem() = NoJournalAnywhere();
  EXPECT_EQ(WriteWholeOutput(output, "a longer new output"), std::strerror(EACCES));
  FileSystem() = SystemFileCalls();
  EXPECT_EQ(ReadFile(other), "old output");
  ASSERT_EQ(unlink(output.c_str()) | unlink(other.c_str()), 0);
  // The command line, run by a user who may write the file but not its folder.
  if (geteuid() != 0) return;
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  ASSERT_EQ(chown(path.c_str(), kOtherUser, kOtherUser), 0);
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  EXPECT_EQ(AsOtherUser([&] {
              const CliRun run = RunCli({"set", path, "fy=12"});
              return write(out[1], run.err.data(), run.err.size()) >= 0 ? run.status : 98;
            }),
            0);
  close(out[1]);
  char text[4096];
  const ssize_t got = read(out[0], text, sizeof text);
  close(out[0]);
  EXPECT_EQ(std::string(text, got > 0 ? got : 0), "62500cfg: " + SavedWithoutJournal(path) + "\n");
  ASSERT_TRUE(OpenConfigurableFile(reread, path).ok);
  EXPECT_EQ(reread.GetFieldValue("fy"), 12u);
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(Journal, JournalsLeftAloneAreNamedWithWhatToDo) {
  if (geteuid() != 0) GTEST_SKIP() << "needs another user";
  TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  const std::string path = WriteImage(dir, "f.elf"), journal = JournalPath(path);
  ASSERT_EQ(chown(path.c_str(), kOtherUser, kOtherUser), 0);
  // A complete journal written by root's save: its file's owner cannot read it, so nothing
  // is said of what it holds, only what to do.
  SaveKilledBeforeTheJournalGoes(path);
  const std::string saved = ReadFile(path);
  EXPECT_EQ(AsOtherUser([&] {
              const std::string notice = LeftAlone(path);
              const bool told = notice.find("cannot be read (Permission denied)") != notice.npos &&
                                notice.find("open the file as the journal's owner") != notice.npos;
              const bool guessed = notice.find("incomplete") != notice.npos ||
                                   notice.find("another file") != notice.npos;
              return told && !guessed && !testing::Test::HasFailure() ? 0 : 1;
            }),
            0);
  EXPECT_EQ(ReadFile(path), saved);
  // A dangling link in the journal's place.
  ASSERT_EQ(unlink(journal.c_str()), 0);
  ASSERT_EQ(symlink("nowhere", journal.c_str()), 0);
  EXPECT_NE(LeftAlone(path).find("\"" + journal + "\" stands where the journal"),
            std::string::npos);
  struct stat info;
  EXPECT_EQ(lstat(journal.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST(JournalFormat, OnlyJournalsASaveCouldWriteAreComplete) {
  const auto section = [](uint64_t before, uint64_t after, std::vector<JournalRange> ranges) {
    return JournalSection{1, 2, before, after, std::move(ranges)};
  };
  const JournalSection sound = section(100, 100, {{10, "ab", "cd"}, {12, "e", "f"}});
  const std::string text =
      EncodeJournal({sound, section(10, 20, {{5, "abcde", "0123456789ABCDE"}})});
  std::vector<JournalSection> read;
  ASSERT_EQ(DecodeJournal(text, &read), JournalText::kComplete);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].ranges[1].offset * 1000 + read[0].ranges[1].before[0], 12000u + 'e');
  EXPECT_EQ(read[1].ranges[0].after, "0123456789ABCDE");
  // Cut short anywhere after the magic but between the sections, sealed again; or with
  // bytes left over.
  const std::string body = text.substr(0, text.size() - 8);
  const size_t between = EncodeJournal({sound}).size() - 8;
  for (size_t end = 9; end < body.size(); end += end + 1 == between ? 2 : 1) {
    EXPECT_EQ(DecodeJournal(SealJournal(body.substr(0, end)), &read), JournalText::kMalformed)
        << end;
    EXPECT_TRUE(read.empty());
  }
  EXPECT_EQ(DecodeJournal(SealJournal(body + "x"), &read), JournalText::kMalformed);
  // Ranges no save writes.
  const uint64_t huge = uint64_t{1} << 63;
  const JournalSection malformed[] = {
      section(100, 100, {{10, "abc", "def"}, {12, "x", "y"}}),  // overlapping
      section(100, 100, {{20, "ab", "cd"}, {10, "x", "y"}}),    // out of order
      section(100, 100, {{10, "", ""}}),                        // empty
      section(100, 100, {{99, "ab", "cd"}}),                    // past the end
      section(100, 100, {{200, "a", "b"}}),                     // starts past the end
      section(100, 100, {{UINT64_MAX - 3, "EVIL", "GOOD"}}),    // wraps around
      section(100, 100, {{10, "ab", "c"}}),                     // sides of unequal size
      section(10, 20, {{5, "abcdef", "0123456789"}}),           // old side past the old end
      section(huge, huge, {}),                                  // no file is that long
      section(100, huge, {}),
      section(uint64_t{1} << 40, 3000, {{100, "EVIL", "GOOD"}}),  // cut bytes not kept
      section(0, uint64_t{1} << 40, {{5000, "", "XXXX"}}),        // added bytes not written
      section(10, 20, {{5, "abcde", "01234"}}),
  };
  for (const JournalSection& bad : malformed) {
    EXPECT_EQ(DecodeJournal(EncodeJournal({sound, bad}), &read), JournalText::kMalformed)
        << bad.lengthBefore << " " << (bad.ranges.empty() ? 0 : bad.ranges.back().offset);
  }
  // Not sealed, and an older build's journal whatever it holds.
  std::string older = text;
  older[7] = '1';
  const std::pair<std::string, JournalText> texts[] = {
      {"K7Q", JournalText::kTorn},
      {text.substr(0, 15), JournalText::kTorn},
      {"K7QJRNL3" + text.substr(8), JournalText::kTorn},
      {text.substr(0, text.size() - 1) + "?", JournalText::kTorn},
      {older, JournalText::kOlderVersion},
      {older.substr(0, 8), JournalText::kOlderVersion},
  };
  for (const auto& [candidate, expected] : texts) {
    EXPECT_EQ(DecodeJournal(candidate, &read), expected) << candidate.size();
  }
}

}  // namespace k7q
