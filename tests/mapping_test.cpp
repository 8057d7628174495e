// Mapped reads of a file that another program shrinks or changes meanwhile.
#include "storage/mapping.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

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
}

// A bus error outside every guarded mapping, or one sent by another program, still ends
// the process as it would without the handler: the child never reaches its exit(0).
TEST(Mapping, OtherBusErrorsStillEndTheProcess) {
  TempDir dir;
  const std::string path = dir.File("other.bin");
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  WriteFile(path, std::string(2 * page, 'x'));
  for (const bool sent : {false, true}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FileDescriptor fd(open(path.c_str(), O_RDONLY));
      Mapping guarded(fd.get(), 2 * page, PROT_READ, MAP_PRIVATE);  // installs the handler
      if (sent) {
        kill(getpid(), SIGBUS);
      } else {
        auto* bare = static_cast<volatile char*>(
            mmap(nullptr, 2 * page, PROT_READ, MAP_PRIVATE, fd.get(), 0));
        if (truncate(path.c_str(), 0) != 0) _exit(3);
        (void)bare[page + 1];
      }
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    // Killed by the signal, or ended by a handler that was there first (a sanitizer's).
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "sent " << sent;
    WriteFile(path, std::string(2 * page, 'x'));
  }
}

}  // namespace
}  // namespace k7q
