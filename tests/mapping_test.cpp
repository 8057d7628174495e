// Mapped reads of a file that another program shrinks or changes meanwhile.
#include "storage/mapping.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "storage/safe_file.h"
#include "support/test_files.h"

namespace k7q {
namespace {

TEST(Mapping, AFileThatShrinksReadsAsZerosAndSaysSo) {
  TempDir dir;
  const std::string path = dir.File("image.bin");
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  WriteFile(path, std::string(3 * page, 'x'));
  FileDescriptor fd(open(path.c_str(), O_RDONLY));
  ASSERT_GE(fd.get(), 0);
  {
    Mapping view(fd.get(), 3 * page, PROT_READ, MAP_PRIVATE);
    ASSERT_TRUE(view.ok());
    EXPECT_EQ(view.bytes()[3 * page - 1], 'x');
    EXPECT_FALSE(view.Changed());
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(page)), 0);
    EXPECT_EQ(view.bytes()[0], 'x');
    EXPECT_EQ(view.bytes()[2 * page + 5], 0);  // past the new end: no SIGBUS
    EXPECT_TRUE(view.Changed());
  }
  // Nothing read past the end: a length other than the mapped one is still a change.
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(2 * page)), 0);
  Mapping same(fd.get(), 2 * page, PROT_READ, MAP_PRIVATE);
  EXPECT_FALSE(same.Changed());
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(page)), 0);
  EXPECT_TRUE(same.Changed());
  // More mappings at once than are guarded: the last still maps and sees the length change.
  std::vector<std::unique_ptr<Mapping>> many;
  for (int i = 0; i < 100; ++i) {
    many.push_back(std::make_unique<Mapping>(fd.get(), page, PROT_READ, MAP_PRIVATE));
  }
  EXPECT_TRUE(many.back()->ok());
  EXPECT_FALSE(many.back()->Changed());
  ASSERT_EQ(truncate(path.c_str(), 0), 0);
  EXPECT_TRUE(many.back()->Changed());
  // A mapping that failed; a file that can no longer be looked at has changed.
  EXPECT_FALSE(Mapping(-1, page, PROT_READ, MAP_PRIVATE).ok());
  many.clear();
  fd.reset(-1);
  EXPECT_TRUE(same.Changed());
}

enum Before { kDefault, kIgnored, kInfoHandler, kPlainHandler };
enum Event { kNone, kSent, kUnguarded, kNoRoomForZeros };

rlimit addressSpace{};

void ExitWithInfo(int, siginfo_t* info, void*) {
  setrlimit(RLIMIT_AS, &addressSpace);
  exit(info->si_code <= 0 ? 3 : 4);  // exit: the coverage data is written
}

void ExitPlain(int) {
  exit(5);
}

// With the SIGBUS action `before` in place first, maps a shrinking file between two guarded
// mappings and an unguarded one, makes the event happen and reads past the file's end.
void Provoke(Before before, Event event) {
  struct sigaction action {};
  action.sa_handler = before == kIgnored ? SIG_IGN : before == kPlainHandler ? ExitPlain : SIG_DFL;
  if (before == kInfoHandler) action.sa_sigaction = ExitWithInfo, action.sa_flags = SA_SIGINFO;
  sigaction(SIGBUS, &action, nullptr);
  getrlimit(RLIMIT_AS, &addressSpace);  // as the handler leaves it
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  FileDescriptor fd(memfd_create("shrinking", 0));
  if (ftruncate(fd.get(), static_cast<off_t>(2 * page)) != 0) exit(2);
  Mapping above(fd.get(), 2 * page, PROT_READ, MAP_PRIVATE);
  auto* bare =
      static_cast<volatile char*>(mmap(nullptr, 2 * page, PROT_READ, MAP_PRIVATE, fd.get(), 0));
  Mapping below(fd.get(), 2 * page, PROT_READ, MAP_PRIVATE);
  if (ftruncate(fd.get(), static_cast<off_t>(page)) != 0) exit(2);
  if (event == kSent) kill(getpid(), SIGBUS);
  if (event == kUnguarded) (void)bare[page + 1];
  if (event == kNoRoomForZeros) {
    const rlimit none = {0, addressSpace.rlim_max};
    setrlimit(RLIMIT_AS, &none);
  }
  exit(below.bytes()[page + 1] == 0 && below.Changed() ? 0 : 1);
}

bool EndedBySigbus(int status) {
  // Killed by the signal, or ended by a sanitizer's handler.
  return WIFSIGNALED(status) ? WTERMSIG(status) == SIGBUS : WEXITSTATUS(status) == 1;
}

// Each in a new process, where the handler is installed after the action before it: that
// action gets every bus error that is not a read past a guarded mapping's end.
TEST(Mapping, OtherBusErrorsGoToTheActionThatWasThereBefore) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(Provoke(kIgnored, kNone), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(Provoke(kDefault, kSent), EndedBySigbus, "");
  EXPECT_EXIT(Provoke(kDefault, kUnguarded), EndedBySigbus, "");
  EXPECT_EXIT(Provoke(kIgnored, kSent), EndedBySigbus, "");
  EXPECT_EXIT(Provoke(kInfoHandler, kSent), testing::ExitedWithCode(3), "");
  EXPECT_EXIT(Provoke(kInfoHandler, kNoRoomForZeros), testing::ExitedWithCode(4), "");
  EXPECT_EXIT(Provoke(kPlainHandler, kUnguarded), testing::ExitedWithCode(5), "");
}

}  // namespace
}  // namespace k7q
