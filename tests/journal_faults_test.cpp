// The journal's own steps under faults: every road through it (a save, a longer or shorter
// rewrite, a group of saves; in folders with and without unnamed files) left as it was
// or complete after any failed call, also when its undo fails; journals judged by each
// rule; the journal of another link found among look-alikes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "storage/file_system.h"
#include "storage/journal_format.h"
#include "storage/locked_file.h"
#include "storage/safe_file.h"
#include "storage/save_journal.h"
#include "tests/support/faulty_calls.h"
#include "tests/support/fixtures.h"

namespace k7q {

namespace {

// A file open for a save, as the callers of the steps hold it.
struct Opened {
  explicit Opened(const std::string& path, int flags = O_RDWR)
      : fd(open(path.c_str(), flags | O_CLOEXEC)) {
    save.path = path;
    save.fd = fd.get();
    fstat(fd.get(), &save.info);
  }
  FileDescriptor fd;
  InPlaceSave save;
};

const std::string kOld = [] {
  std::string text(9000, 'o');
  for (size_t i = 0; i < text.size(); i += 7) text[i] = static_cast<char>('a' + i % 26);
  return text;
}();

std::string Changed(std::string text, size_t at, const char* bytes) {
  return text.replace(at, std::strlen(bytes), bytes);
}

enum class Road { kSave, kLonger, kShorter, kGroup };

struct Case {
  Road road;
  std::vector<std::string> after;  // the files' contents once saved
};

const Case kCases[] = {
    {Road::kSave, {Changed(Changed(kOld, 100, "SAVE"), 5000, "SAVED")}},
    {Road::kLonger, {Changed(kOld, 4100, "LONG") + std::string(5000, 'n')}},
    {Road::kShorter, {Changed(kOld.substr(0, 3000), 10, "SHORT")}},
    {Road::kGroup, {Changed(kOld, 100, "ONE"), Changed(kOld, 8000, "TWO")}},
};

// Runs the case's save on f (and g) in dir; whether every file was saved.
bool Run(const Case& c, const TempDir& dir) {
  std::vector<Opened> files;
  for (size_t i = 0; i < c.after.size(); ++i) files.emplace_back(dir.File(i ? "g" : "f"));
  InPlaceSave& first = files[0].save;
  if (c.road == Road::kLonger || c.road == Road::kShorter) {
    return RewriteInPlace(first, c.after[0]);
  }
  std::vector<InPlaceSave*> saves;
  for (size_t i = 0; i < files.size(); ++i) {
    InPlaceSave& save = files[i].save;
    save.changes =
        ChangedRanges(reinterpret_cast<const uint8_t*>(kOld.data()),
                      reinterpret_cast<const uint8_t*>(c.after[i].data()), kOld.size(), 0);
    save.deferFlush = c.road == Road::kGroup;
    saves.push_back(&save);
  }
  if (c.road == Road::kSave) return SaveInPlace(first);
  // The steps of a group commit, a failed save undone on its own.
  WriteJournals(saves);
  for (auto step : {ApplyChanges, RemoveJournal}) {
    for (InPlaceSave* save : saves) {
      if (save->error == 0) step(*save);
    }
  }
  bool all = true;
  for (InPlaceSave* save : saves) {
    if (save->error == 0) continue;
    all = false;
    save->deferFlush = false;
    UndoChanges(*save);
  }
  return all;
}

// The faulty calls, in a folder that takes no unnamed files when named is set.
FileSystemCalls Faulty(bool named) {
  FileSystemCalls calls = kFaulty;
  if (named) {
    calls.open = [](const char* p, int f, mode_t m) {
      return (f & O_TMPFILE) == O_TMPFILE ? (errno = EOPNOTSUPP, -1) : kFaulty.open(p, f, m);
    };
  }
  return calls;
}

bool RunUnder(const Case& c, const TempDir& dir, bool named, const FaultPlan& faults) {
  plan = faults;
  FileSystem() = Faulty(named);
  const bool ok = Run(c, dir);
  FileSystem() = SystemFileCalls();
  return ok;
}

// The file opened for a save under the plan, which undoes what a journal beside it holds.
LockedFile OpenUnder(const std::string& path, const FaultPlan& faults) {
  plan = faults;
  FileSystem() = kFaulty;
  LockedFile file = OpenLockedFile(path, true);
  FileSystem() = SystemFileCalls();
  return file;
}

// A journal of one section for the file open on fd, lengths before and after given.
std::string JournalFor(int fd, uint64_t before, uint64_t after, std::vector<JournalRange> ranges) {
  struct stat info;
  fstat(fd, &info);
  return EncodeJournal({{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                         before, after, std::move(ranges)}});
}

int injectedError = 0;

// The system's calls, with unnamed files refused with injectedError.
FileSystemCalls TmpfileRefused(int error) {
  injectedError = error;
  FileSystemCalls calls = SystemFileCalls();
  calls.open = [](const char* p, int f, mode_t m) {
    return (f & O_TMPFILE) == O_TMPFILE ? (errno = injectedError, -1)
                                        : SystemFileCalls().open(p, f, m);
  };
  return calls;
}

}  // namespace

TEST(JournalFaults, EveryFailedCallLeavesEachFileAsItWasOrSavedAndAFailedUndoToTheNextOpen) {
  int runs = 0, undoFaults = 0;
  for (const Case& c : kCases) {
    for (const bool named : {false, true}) {
      TempDir dir;
      const auto reset = [&] {
        for (size_t i = 0; i < c.after.size(); ++i) WriteFile(dir.File(i ? "g" : "f"), kOld);
      };
      reset();
      ASSERT_TRUE(RunUnder(c, dir, named, FaultPlan{}));
      const FaultPlan dry = plan;
      for (size_t i = 0; i < c.after.size(); ++i) {
        EXPECT_EQ(ReadFile(dir.File(i ? "g" : "f")), c.after[i]);
      }
      for (int kind = 0; kind < kCallKinds; ++kind) {
        for (int n = 0; n < dry.counts[kind]; ++n) {
          for (const bool later : {false, true}) {
            reset();
            FaultPlan faults;
            faults.kind = kind, faults.failAt = n, faults.failLater = later;
            const bool ok = RunUnder(c, dir, named, faults);
            SCOPED_TRACE(testing::Message() << int(c.road) << " named " << named << " call " << kind
                                            << " #" << n << " later " << later);
            ++runs;
            // A single failure is undone at once; an undo that fails too leaves the journal,
            // which an open that fails the same way keeps and the next one applies.
            const std::string f = dir.File("f");
            if (later && access(JournalPath(f).c_str(), F_OK) == 0) {
              ++undoFaults;
              const std::string left = ReadFile(f);
              FaultPlan again;
              again.kind = kind, again.failAt = 0, again.failLater = true;
              const LockedFile refused = OpenUnder(f, again);
              EXPECT_FALSE(refused.reason.empty());
              EXPECT_EQ(ReadFile(f), left);
            }
            for (size_t i = 0; i < c.after.size(); ++i) {
              const std::string path = dir.File(i ? "g" : "f");
              EXPECT_TRUE(later || access(JournalPath(path).c_str(), F_OK) != 0);
              const LockedFile reopened = OpenLockedFile(path, true);
              EXPECT_EQ(reopened.reason, "");
              const std::string now = ReadFile(path);
              EXPECT_TRUE(now == kOld || (now == c.after[i] && (ok || c.road == Road::kGroup)))
                  << i;
            }
            EXPECT_TRUE(!ok || ReadFile(f) == c.after[0]);
            EXPECT_EQ(EntryCount(dir.path()), c.after.size());
          }
        }
      }
    }
  }
  EXPECT_GT(runs, 200);
  EXPECT_GT(undoFaults, 20);
}

TEST(JournalFaults, RefusalsBeforeAnyWrite) {
  TempDir dir;
  const std::string f = dir.File("f"), journal = JournalPath(f);
  const std::string saved = Changed(kOld, 100, "SAVE");
  const auto changes = [&](InPlaceSave& save) {
    save.changes = {{100, "SAVE"}};
    return &save;
  };
  WriteFile(f, kOld);
  // Folders that take no journal: one write without one, a rewrite refused; one that
  // fails otherwise refuses the save.
  for (const int error : {EACCES, EPERM, EROFS, EIO}) {
    Opened file(f);
    FileSystem() = TmpfileRefused(error);
    const bool ok = SaveInPlace(*changes(file.save));
    Opened rewritten(f);
    const bool rewrote = RewriteInPlace(rewritten.save, "new");
    Opened nothing(f);
    const bool empty = WriteJournal(nothing.save);
    FileSystem() = SystemFileCalls();
    EXPECT_EQ(ok, error != EIO) << error;
    EXPECT_EQ(file.save.withoutJournal, error != EIO);
    EXPECT_EQ(file.save.error, error == EIO ? EIO : 0);
    EXPECT_FALSE(rewrote);
    EXPECT_EQ(rewritten.save.error, error == EIO ? EIO : EACCES);
    EXPECT_EQ(empty, error != EIO);
    EXPECT_EQ(ReadFile(f), error == EIO ? kOld : saved);
    WriteFile(f, kOld);
  }
  // A name taken between the open and the journal's link, with and without unnamed files:
  // the save is refused naming it, the file and the name left as they were.
  for (const int error : {0, EOPNOTSUPP, EISDIR}) {
    WriteFile(journal, "someone's");
    Opened file(f);
    if (error) FileSystem() = TmpfileRefused(error);
    EXPECT_FALSE(SaveInPlace(*changes(file.save)));
    FileSystem() = SystemFileCalls();
    EXPECT_EQ(file.save.error, EEXIST);
    EXPECT_NE(file.save.failure.find("\"" + journal + "\", is taken"), std::string::npos);
    EXPECT_EQ(ReadFile(f), kOld);
    EXPECT_EQ(ReadFile(journal), "someone's");
  }
  // The same in a group: the other save goes on.
  WriteFile(dir.File("g"), kOld);
  Opened one(f), two(dir.File("g"));
  one.save.deferFlush = two.save.deferFlush = true;
  WriteJournals({changes(one.save), changes(two.save)});
  EXPECT_EQ(one.save.error, EEXIST);
  EXPECT_EQ(two.save.error, 0);
  EXPECT_TRUE(RemoveJournal(two.save));
  ASSERT_EQ(unlink(journal.c_str()), 0);
  // A file that cannot be read: nothing written, no journal; alone or in a group.
  for (const std::string& content : {std::string("x"), std::string()}) {
    Opened writeOnly(f, O_WRONLY);
    EXPECT_FALSE(RewriteInPlace(writeOnly.save, content));
    EXPECT_EQ(writeOnly.save.error, EBADF);
  }
  Opened writeOnly(f, O_WRONLY), readable(dir.File("g"));
  EXPECT_FALSE(SaveInPlace(*changes(writeOnly.save)));
  WriteJournals({changes(writeOnly.save), changes(readable.save)});
  EXPECT_EQ(writeOnly.save.error, EBADF);
  EXPECT_TRUE(ApplyChanges(readable.save) && RemoveJournal(readable.save));
  EXPECT_EQ(ReadFile(dir.File("g")), saved);
  EXPECT_EQ(ReadFile(f), kOld);
  // A failure that sets no errno is a failure all the same.
  FileSystemCalls silent = SystemFileCalls();
  silent.fsync = [](int) { return errno = 0, -1; };
  Opened quiet(f);
  FileSystem() = silent;
  EXPECT_FALSE(SaveInPlace(*changes(quiet.save)));
  FileSystem() = SystemFileCalls();
  EXPECT_EQ(quiet.save.error, EIO);
  // A file system without room reservations still rewrites; a full one refuses at once.
  for (const int error : {EOPNOTSUPP, ENOSPC}) {
    injectedError = error;
    FileSystemCalls calls = SystemFileCalls();
    calls.fallocate = [](int, int, off_t, off_t) { return errno = injectedError, -1; };
    Opened file(f);
    FileSystem() = calls;
    EXPECT_EQ(RewriteInPlace(file.save, kOld + "longer"), error == EOPNOTSUPP);
    FileSystem() = SystemFileCalls();
    EXPECT_EQ(ReadFile(f), error == EOPNOTSUPP ? kOld + "longer" : kOld);
    WriteFile(f, kOld);
  }
  // A file-size limit below the rewrite, or below the journal of a save, or of a group.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const rlimit limit = {kOld.size() + 1, old.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
  Opened longer(f), small(f), grouped(f), unreadable(f, O_WRONLY), tiny(f);
  const bool rewrote = RewriteInPlace(longer.save, kOld + "xx");
  tiny.save.changes = {{100, "SAVE"}};
  const bool fits = SaveInPlace(tiny.save);
  small.save.changes = {{0, kOld}};
  const bool journaled = SaveInPlace(small.save);
  grouped.save.changes = {{0, kOld}};
  grouped.save.deferFlush = true;
  unreadable.save.changes = {{0, "x"}};
  WriteJournals({&grouped.save, &unreadable.save});
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_FALSE(rewrote || journaled);
  EXPECT_TRUE(fits);
  EXPECT_EQ(longer.save.error * 10000 + small.save.error * 100 + grouped.save.error, EFBIG * 10101);
  EXPECT_EQ(unreadable.save.error, EBADF);
  EXPECT_EQ(ReadFile(f), saved);
  EXPECT_EQ(EntryCount(dir.path()), 2u);
}

TEST(JournalFaults, EachRuleOfTheJudgeOfAJournal) {
  TempDir dir;
  const std::string f = dir.File("f"), journal = JournalPath(f);
  const ChangeableRegions block = [](std::string_view) {
    return std::vector<ByteRegion>{{1000, 2000}};
  };
  struct Row {
    std::string journal;
    JournalFound found;
    const char* what;
  };
  WriteFile(f, kOld);
  FileDescriptor fd(open(f.c_str(), O_RDWR | O_CLOEXEC));
  const uint64_t n = kOld.size();
  const std::string in = kOld.substr(1000, 4);
  std::string otherDevice = JournalFor(fd.get(), n, n, {{1000, "BACK", in}});
  otherDevice[8] ^= 1;
  otherDevice = SealJournal(otherDevice.substr(0, otherDevice.size() - 8));
  const Row rows[] = {
      {JournalFor(fd.get(), n, n, {{1000, "BACK", in}}), JournalFound::kUndone, "in the block"},
      {JournalFor(fd.get(), n, n, {{1998, "BACK", kOld.substr(1998, 4)}}), JournalFound::kForeign,
       "past the block's end"},
      {JournalFor(fd.get(), n, n, {{998, "BACK", kOld.substr(998, 4)}}), JournalFound::kForeign,
       "before the block"},
      {JournalFor(fd.get(), n, n, {{3000, "BACK", kOld.substr(3000, 4)}}), JournalFound::kForeign,
       "after the block"},
      {JournalFor(fd.get(), n, n, {}), JournalFound::kUndone, "no ranges"},
      {otherDevice, JournalFound::kForeign, "another device"},
      {JournalFor(fd.get(), n + 10, n + 20, {{n + 10, "", "0123456789"}}), JournalFound::kMovedOn,
       "the file shorter"},
      {JournalFor(fd.get(), n - 20, n - 10, {{n - 20, "", "0123456789"}}), JournalFound::kMovedOn,
       "the file longer"},
      {JournalFor(fd.get(), n, n, {{1000, "BACK", "NOPE"}}), JournalFound::kMovedOn,
       "bytes of neither side"},
      {"K7QJRNL1 older", JournalFound::kOlderVersion, "an older build's"},
  };
  for (const Row& row : rows) {
    WriteFile(f, kOld);
    WriteFile(journal, row.journal);
    const FoundJournal found = UndoInterruptedSave(journal, fd.get(), block);
    EXPECT_EQ(found.found, row.found) << row.what;
    EXPECT_EQ(ReadFile(f), row.found == JournalFound::kUndone && row.what[0] == 'i'
                               ? Changed(kOld, 1000, "BACK")
                               : kOld)
        << row.what;
    EXPECT_EQ(access(journal.c_str(), F_OK) == 0, row.found != JournalFound::kUndone) << row.what;
  }
  // Far longer than a save of the file writes: not read at all.
  WriteFile(journal, "");
  ASSERT_EQ(truncate(journal.c_str(), 80 << 20), 0);
  EXPECT_EQ(UndoInterruptedSave(journal, fd.get(), nullptr).found, JournalFound::kForeign);
  // Written by this user for a file of another user: its own.
  WriteFile(journal, JournalFor(fd.get(), n, n, {{0, "BACK", kOld.substr(0, 4)}}));
  ASSERT_EQ(fchown(fd.get(), 65534, 65534), 0);
  EXPECT_EQ(UndoInterruptedSave(journal, fd.get(), nullptr).found, JournalFound::kUndone);
  // Something else in the journal's place, a journal that cannot be opened, no file.
  ASSERT_EQ(mkdir(journal.c_str(), 0700), 0);
  EXPECT_EQ(UndoInterruptedSave(journal, fd.get(), nullptr).found, JournalFound::kNotAJournal);
  ASSERT_EQ(rmdir(journal.c_str()), 0);
  ASSERT_EQ(symlink(f.c_str(), journal.c_str()), 0);
  EXPECT_EQ(UndoInterruptedSave(journal, fd.get(), nullptr).found, JournalFound::kNotAJournal);
  ASSERT_EQ(unlink(journal.c_str()), 0);
  WriteFile(journal, "x");
  FaultPlan openFails;
  openFails.kind = kOpen, openFails.failAt = 0;
  plan = openFails;
  FileSystem() = kFaulty;
  const FoundJournal unreadable = UndoInterruptedSave(journal, fd.get(), nullptr);
  FileSystem() = SystemFileCalls();
  EXPECT_EQ(unreadable.found, JournalFound::kUnreadable);
  EXPECT_EQ(unreadable.error, EIO);
  const FoundJournal closed = UndoInterruptedSave(journal, -1, nullptr);
  EXPECT_EQ(closed.found, JournalFound::kUndoFailed);
  EXPECT_EQ(closed.error, EBADF);
}

TEST(JournalFaults, TheJournalOfAnotherLinkIsFoundAmongLookAlikes) {
  TempDir dir;
  const std::string f = dir.File("f"), g = dir.File("g"), other = dir.File("other");
  WriteFile(f, kOld);
  WriteFile(other, kOld);
  ASSERT_EQ(link(f.c_str(), g.c_str()), 0);
  FileDescriptor fd(open(f.c_str(), O_RDONLY | O_CLOEXEC)), otherFd(open(other.c_str(), O_RDONLY));
  const std::string own =
      JournalFor(fd.get(), kOld.size(), kOld.size(), {{0, "BACK", kOld.substr(0, 4)}});
  WriteFile(dir.File("f.k7q-journal"), own);  // not a hidden name
  WriteFile(dir.File(".k7q-journal"), own);   // no file's name
  WriteFile(dir.File(".notes-on-the-journal"), own);
  WriteFile(dir.File(".torn.k7q-journal"), own.substr(1));
  WriteFile(dir.File(".other.k7q-journal"),
            JournalFor(otherFd.get(), kOld.size(), kOld.size(), {{0, "BACK", kOld.substr(0, 4)}}));
  ASSERT_EQ(mkdir(dir.File(".dir.k7q-journal").c_str(), 0700), 0);
  ASSERT_EQ(symlink(dir.File("f.k7q-journal").c_str(), dir.File(".link.k7q-journal").c_str()), 0);
  struct stat info;
  ASSERT_EQ(stat(g.c_str(), &info), 0);
  EXPECT_EQ(PendingJournal(g, info), "");
  WriteFile(JournalPath(f), own);
  EXPECT_EQ(PendingJournal(g, info), JournalPath(f));
  ASSERT_EQ(unlink(f.c_str()), 0);
  ASSERT_EQ(stat(g.c_str(), &info), 0);
  EXPECT_EQ(PendingJournal(g, info), "");  // one link left: only its own name is looked at
  // Changed ranges up to the last byte.
  const std::string changed = Changed(kOld, kOld.size() - 3, "END");
  const std::vector<FileRange> ranges =
      ChangedRanges(reinterpret_cast<const uint8_t*>(kOld.data()),
                    reinterpret_cast<const uint8_t*>(changed.data()), kOld.size(), 7);
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].offset, kOld.size() + 4);
  EXPECT_EQ(ranges[0].bytes, "END");
}

}  // namespace k7q
